#include "window/ChatSettingsTab.h"

#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"

#include "appearance/ChatStyle.h"
#include "window/ChatStyleFormat.h"
#include "window/ColourSwatch.h"
#include "window/ControlArrayName.h"
#include "window/FontLabel.h"
#include "window/Named.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A titled column of check boxes named `arrayName_0`, `arrayName_1`, ...; with `indentFollowers`
// the boxes after the first are indented, as they only count while the first is on.
template <std::size_t N>
QGroupBox *checkBoxColumn(const QString &title, const QString &arrayName, QString (*caption)(int),
    bool indentFollowers, std::array<QCheckBox *, N> &boxes, QWidget *parent)
{
    auto *group = new QGroupBox(title, parent);
    auto *layout = new QVBoxLayout(group);
    for (int i = 0; i < int(N); ++i) {
        boxes[i] = named(controlArrayName(arrayName, i), new QCheckBox(caption(i), group));
        auto *row = new QHBoxLayout;
        row->addSpacing(indentFollowers && i > 0 ? 18 : 0);
        row->addWidget(boxes[i], 1);
        layout->addLayout(row);
    }
    return group;
}

} // namespace

ChatSettingsTab::ChatSettingsTab(QWidget *parent)
    : QWidget(parent)
{
    auto *left = new QVBoxLayout;
    left->addWidget(checkBoxColumn(
        u"Options"_s, u"chkOptions"_s, &ChatOptions::optionCaption, false, m_options, this));
    left->addWidget(checkBoxColumn(
        u"Logging"_s, u"chkLog"_s, &ChatOptions::logOptionCaption, true, m_logs, this));
    left->addStretch(1);

    auto *top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(buildAppearance(), 1);

    auto *welcomeLabel = new QLabel(u"Welcome message for new players"_s, this);
    m_welcome = named(u"txtwelcome"_s, new QLineEdit(this));
    m_welcome->setPlaceholderText(u"Sent once to each address that joins"_s);
    welcomeLabel->setBuddy(m_welcome);

    m_colourPicker = named(u"CD1Colour"_s, new QColorDialog(this));
    connect(m_colourPicker, &QColorDialog::colorSelected, this, [this](const QColor &color) {
        const quint32 colour = ChatStyleFormat::fromColor(color);
        m_swatches.at(m_pickingIndex)->setColour(colour);
        Q_EMIT colourChosen(m_pickingIndex, colour);
    });
    m_fontPicker = named(u"CD1Font"_s, new QFontDialog(this));
    connect(m_fontPicker, &QFontDialog::fontSelected, this,
        [this](const QFont &font) { Q_EMIT fontChosen(m_pickingIndex, font); });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(welcomeLabel);
    layout->addWidget(m_welcome);
    layout->addStretch(1);
}

QWidget *ChatSettingsTab::buildAppearance()
{
    auto *group = new QGroupBox(u"Appearance"_s, this);
    auto *grid = new QGridLayout(group);

    auto *fontsHint = new QLabel(u"Fonts (double-click to change)"_s, group);
    auto *coloursHint = new QLabel(u"Colours (click to change)"_s, group);
    grid->addWidget(fontsHint, 0, 0);
    grid->addWidget(coloursHint, 0, 1, 1, 2);

    for (int j = 0; j < ColourCount; ++j) {
        m_swatches[j] = named(controlArrayName(u"cmdColor"_s, j), new ColourSwatch(group));
        m_swatches[j]->setColour(ChatStyles::firstStartColour(j));
        m_swatches[j]->setAccessibleName(ChatStyles::colourCaption(j));
        connect(m_swatches[j], &QPushButton::clicked, this, [this, j] { pickColour(j); });
        auto *caption = named(
            controlArrayName(u"lblColor"_s, j), new QLabel(ChatStyles::colourCaption(j), group));
        grid->addWidget(m_swatches[j], j + 1, 1);
        grid->addWidget(caption, j + 1, 2);
    }

    // The font samples line up with the text colours they preview (swatches 1..5).
    for (int i = 0; i < FontCount; ++i) {
        m_fontLabels[i] = named(
            controlArrayName(u"lblFont"_s, i), new FontLabel(ChatStyles::fontCaption(i), group));
        m_fontLabels[i]->setColours(
            ChatStyles::firstStartColour(i + 1), ChatStyles::firstStartColour(0));
        connect(m_fontLabels[i], &FontLabel::doubleClicked, this, [this, i] { pickFont(i); });
        grid->addWidget(m_fontLabels[i], i + 2, 0);
    }

    m_sample = named(u"rtbSample"_s, new QTextEdit(group));
    m_sample->setReadOnly(true);
    m_sample->setTextInteractionFlags(Qt::NoTextInteraction);
    m_sample->setFocusPolicy(Qt::NoFocus);
    // The sample is drawn on the first choice only; until then an empty box would look broken.
    m_sample->setPlaceholderText(u"Choose a colour or a font to see a sample of the chat."_s);
    m_sample->setFixedHeight(96);
    grid->addWidget(new QLabel(u"Sample"_s, group), ColourCount + 1, 0, 1, 3);
    grid->addWidget(m_sample, ColourCount + 2, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    return group;
}

void ChatSettingsTab::pickColour(int index)
{
    m_pickingIndex = index;
    m_colourPicker->open();
}

void ChatSettingsTab::pickFont(int index)
{
    m_pickingIndex = index;
    m_fontPicker->open();
}

QList<FontLabel *> ChatSettingsTab::fontLabels() const
{
    return {m_fontLabels.begin(), m_fontLabels.end()};
}
