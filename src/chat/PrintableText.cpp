#include "chat/PrintableText.h"

namespace {

bool breaksOrControls(QChar c)
{
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

} // namespace

QString printableText(QStringView text)
{
    QString printable = text.toString();
    for (QChar &c : printable) {
        if (breaksOrControls(c))
            c = u'?';
    }
    return printable;
}
