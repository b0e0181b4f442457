#pragma once

#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"

#include <QList>
#include <QWidget>

#include <array>

class ColourSwatch;
class FontLabel;
class QCheckBox;
class QColorDialog;
class QFontDialog;
class QLineEdit;
class QTextEdit;

// The "Chat Settings" tab: chat and logging options, the welcome message and the Appearance
// frame with its font samples, colour swatches and preview.
class ChatSettingsTab : public QWidget
{
    Q_OBJECT

public:
    // As many controls as the core has values for.
    static constexpr int OptionCount = ChatOptions::OptionCount;
    static constexpr int LogCount = ChatOptions::LogOptionCount;
    static constexpr int FontCount = ChatStyles::FontSlotCount;
    static constexpr int ColourCount = ChatStyles::ColourSlotCount;

    explicit ChatSettingsTab(QWidget *parent = nullptr);

    QCheckBox *optionBox(int index) const { return m_options.at(index); }
    QCheckBox *logBox(int index) const { return m_logs.at(index); }
    QLineEdit *welcomeInput() const { return m_welcome; }
    FontLabel *fontLabel(int index) const { return m_fontLabels.at(index); }
    QList<FontLabel *> fontLabels() const;
    ColourSwatch *colourSwatch(int index) const { return m_swatches.at(index); }
    QTextEdit *sampleBox() const { return m_sample; }

    // The pickers are window-modal and opened without blocking; each keeps its last choice.
    QColorDialog *colourPicker() const { return m_colourPicker; }
    QFontDialog *fontPicker() const { return m_fontPicker; }

Q_SIGNALS:
    // A confirmed choice; a cancelled picker changes nothing. The swatch already shows the
    // colour; the font label takes its font with the next sample refresh.
    void colourChosen(int index, quint32 colour);
    void fontChosen(int index, const QFont &font);

private:
    QWidget *buildAppearance();
    void pickColour(int index);
    void pickFont(int index);

    std::array<QCheckBox *, OptionCount> m_options{};
    std::array<QCheckBox *, LogCount> m_logs{};
    QLineEdit *m_welcome = nullptr;
    std::array<FontLabel *, FontCount> m_fontLabels{};
    std::array<ColourSwatch *, ColourCount> m_swatches{};
    QTextEdit *m_sample = nullptr;
    QColorDialog *m_colourPicker = nullptr;
    QFontDialog *m_fontPicker = nullptr;
    int m_pickingIndex = -1; // the swatch or label the open picker works for
};
