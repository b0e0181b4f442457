#include "window/ColourSwatch.h"

#include "window/ChatStyleFormat.h"

using namespace Qt::StringLiterals;

ColourSwatch::ColourSwatch(QWidget *parent)
    : QPushButton(parent)
{
    setFixedSize(44, 22);
    setCursor(Qt::PointingHandCursor);
    setColour(0);
}

void ColourSwatch::setColour(quint32 colour)
{
    m_colour = colour;
    const QString name = ChatStyleFormat::toColor(colour).name();
    // A style sheet, because most widget styles ignore the palette's Button role.
    setStyleSheet(u"QPushButton { background-color: %1; border: 1px solid palette(mid);"
                  " border-radius: 3px; }"
                  "QPushButton:hover { border: 1px solid palette(highlight); }"_s.arg(name));
    setToolTip(name.toUpper());
}
