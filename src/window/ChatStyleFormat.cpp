#include "window/ChatStyleFormat.h"

namespace ChatStyleFormat {

QColor toColor(quint32 bgr)
{
    ChatStyle style;
    style.colour = bgr;
    return QColor(style.red(), style.green(), style.blue());
}

quint32 fromColor(const QColor &color)
{
    return ChatStyle::rgb(color.red(), color.green(), color.blue());
}

QFont toFont(const ChatStyle &style, const QFont &defaultFont)
{
    QFont font = defaultFont;
    if (!style.name.isEmpty())
        font.setFamilies({style.name});
    if (style.size > 0)
        font.setPointSizeF(double(style.size));
    font.setBold(style.bold);
    font.setItalic(style.italic);
    return font;
}

ChatStyle fromFont(const QFont &font, quint32 colour)
{
    ChatStyle style;
    style.name = font.family();
    style.bold = font.bold();
    style.italic = font.italic();
    style.size = float(font.pointSizeF());
    style.colour = colour;
    return style;
}

QTextCharFormat toCharFormat(const ChatStyle &style)
{
    QTextCharFormat format;
    format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
    if (style.size > 0)
        format.setFontPointSize(double(style.size));
    if (!style.name.isEmpty())
        format.setFontFamilies({style.name});
    format.setFontItalic(style.italic);
    format.setForeground(toColor(style.colour));
    return format;
}

} // namespace ChatStyleFormat
