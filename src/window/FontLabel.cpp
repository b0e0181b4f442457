#include "window/FontLabel.h"

#include "window/ChatStyleFormat.h"

#include <QApplication>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

FontLabel::FontLabel(const QString &caption, QWidget *parent)
    : QLabel(caption, parent)
{
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setFrameShape(QFrame::StyledPanel);
    setMinimumHeight(26);
    setToolTip(u"Double-click to choose the font"_s);
}

void FontLabel::setStyleFont(const ChatStyle &style)
{
    setFont(ChatStyleFormat::toFont(style, QApplication::font()));
}

void FontLabel::setColours(quint32 text, quint32 background)
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, ChatStyleFormat::toColor(text));
    colours.setColor(QPalette::Window, ChatStyleFormat::toColor(background));
    setPalette(colours);
}

void FontLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}
