#pragma once

#include "appearance/ChatStyle.h"

#include <QLabel>

// A font sample of the Appearance frame: shows its caption in its style, on the chat background.
// Double-clicking it asks for a new font.
class FontLabel : public QLabel
{
    Q_OBJECT

public:
    explicit FontLabel(const QString &caption, QWidget *parent = nullptr);

    // Face, bold, italic and size of the style; the colour is set by setColours.
    void setStyleFont(const ChatStyle &style);
    void setColours(quint32 text, quint32 background);

Q_SIGNALS:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
