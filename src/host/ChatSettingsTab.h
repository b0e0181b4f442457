#pragma once

#include <QList>
#include <QWidget>

#include <array>

class ColourSwatch;
class FontLabel;
class QCheckBox;
class QLineEdit;
class QTextEdit;

// The "Chat Settings" tab: chat and logging options, the welcome message and the Appearance
// frame with its font samples, colour swatches and preview.
class ChatSettingsTab : public QWidget
{
    Q_OBJECT

public:
    static constexpr int OptionCount = 2; // echo bot commands, display system messages
    static constexpr int LogCount = 5;
    static constexpr int FontCount = 5; // player name, general chat, whisper to/from, system
    static constexpr int ColourCount = 6; // background, then the five text colours

    explicit ChatSettingsTab(QWidget *parent = nullptr);

    QCheckBox *optionBox(int index) const { return m_options.at(index); }
    QCheckBox *logBox(int index) const { return m_logs.at(index); }
    QLineEdit *welcomeInput() const { return m_welcome; }
    FontLabel *fontLabel(int index) const { return m_fontLabels.at(index); }
    QList<FontLabel *> fontLabels() const;
    ColourSwatch *colourSwatch(int index) const { return m_swatches.at(index); }
    QTextEdit *sampleBox() const { return m_sample; }

Q_SIGNALS:
    void fontRequested(int index);
    void colourRequested(int index);

private:
    QWidget *buildOptions();
    QWidget *buildLogging();
    QWidget *buildAppearance();

    std::array<QCheckBox *, OptionCount> m_options{};
    std::array<QCheckBox *, LogCount> m_logs{};
    QLineEdit *m_welcome = nullptr;
    std::array<FontLabel *, FontCount> m_fontLabels{};
    std::array<ColourSwatch *, ColourCount> m_swatches{};
    QTextEdit *m_sample = nullptr;
};
