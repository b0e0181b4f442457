#pragma once

#include <QPushButton>

// A colour button of the Appearance frame: its face is the colour it stands for.
class ColourSwatch : public QPushButton
{
    Q_OBJECT

public:
    explicit ColourSwatch(QWidget *parent = nullptr);

    quint32 colour() const { return m_colour; } // 0x00BBGGRR
    void setColour(quint32 colour);

private:
    quint32 m_colour = 0;
};
