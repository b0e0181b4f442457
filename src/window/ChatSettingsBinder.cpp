#include "window/ChatSettingsBinder.h"

#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"
#include "host/HostIdentity.h"
#include "host/SettingsEditor.h"
#include "settings/StoredValues.h"
#include "window/ChatSettingsTab.h"
#include "window/ChatStyleFormat.h"
#include "window/ColourSwatch.h"
#include "window/FontLabel.h"
#include "window/ShowValue.h"
#include "window/StyleSample.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTextEdit>

#include <algorithm>

namespace {

// Font label i previews font slot i in the colour of swatch i + 1 (swatch 0 is the background).
ChatStyle labelStyle(const ChatStyles &styles, int slot)
{
    return styles.style(slot, slot + 1);
}

} // namespace

ChatSettingsBinder::ChatSettingsBinder(const ChatOptions &options, const ChatStyles &styles,
    const HostIdentity &identity, SettingsEditor &editor, ChatSettingsTab &view, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_styles(styles)
    , m_identity(identity)
    , m_editor(editor)
    , m_view(view)
{
    showOptions();
    showWelcome();
    showStyles();
    connectOptionEdits();
    connectStyleChoices();
    connect(&m_options, &ChatOptions::changed, this, &ChatSettingsBinder::showOptions);
    connect(&m_identity, &HostIdentity::changed, this, &ChatSettingsBinder::showWelcome);
    connect(&m_styles, &ChatStyles::changed, this, &ChatSettingsBinder::showStyles);
}

void ChatSettingsBinder::connectOptionEdits()
{
    // toggled(), not clicked(): the "Enable Logging" menu item sets the box without a click, and
    // that change must be stored as well.
    for (int i = 0; i < ChatSettingsTab::OptionCount; ++i) {
        connect(m_view.optionBox(i), &QCheckBox::toggled, this, [this, i](bool on) {
            if (!m_showing)
                m_editor.setStoredValue(StoredValues::Options, i, ValueCodec::checkText(on));
        });
    }
    for (int i = 0; i < ChatSettingsTab::LogCount; ++i) {
        connect(m_view.logBox(i), &QCheckBox::toggled, this, [this, i](bool on) {
            if (!m_showing)
                m_editor.setStoredValue(StoredValues::Logs, i, ValueCodec::checkText(on));
        });
    }
    connect(m_view.welcomeInput(), &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!m_showing)
            m_editor.setStoredValue(StoredValues::WelcomeMessage, 0, text);
    });
}

void ChatSettingsBinder::connectStyleChoices()
{
    // The tab reports confirmed choices only: a cancelled picker never reaches the styles.
    connect(&m_view, &ChatSettingsTab::colourChosen, this, &ChatSettingsBinder::storeColour);
    connect(&m_view, &ChatSettingsTab::fontChosen, this, &ChatSettingsBinder::storeFont);
}

void ChatSettingsBinder::storeColour(int index, quint32 colour)
{
    m_editor.chooseColour(index, colour);
}

void ChatSettingsBinder::storeFont(int index, const QFont &font)
{
    const ChatStyle chosen = ChatStyleFormat::fromFont(font, 0);
    // A font given in pixels has no point size; 0 keeps the window's default size.
    m_editor.chooseFont(
        index, ChatFont{chosen.name, chosen.bold, chosen.italic, std::max(chosen.size, 0.0F)});
}

void ChatSettingsBinder::refreshSample()
{
    StyleSample::Styles styles;
    for (int slot = 0; slot < StyleSample::SlotCount; ++slot)
        styles[static_cast<std::size_t>(slot)] = labelStyle(m_styles, slot);
    StyleSample::refresh(*m_view.sampleBox(), m_view.fontLabels(),
        m_styles.colour(ChatStyles::BackgroundColour), styles);
}

void ChatSettingsBinder::showOptions()
{
    const QScopedValueRollback showing(m_showing, true);
    for (int i = 0; i < ChatSettingsTab::OptionCount; ++i)
        showChecked(*m_view.optionBox(i), m_options.option(i));
    for (int i = 0; i < ChatSettingsTab::LogCount; ++i)
        showChecked(*m_view.logBox(i), m_options.logOption(i));
}

void ChatSettingsBinder::showWelcome()
{
    const QScopedValueRollback showing(m_showing, true);
    showText(*m_view.welcomeInput(), m_identity.welcomeMessage());
}

void ChatSettingsBinder::showStyles()
{
    for (int slot = 0; slot < ChatSettingsTab::ColourCount; ++slot)
        m_view.colourSwatch(slot)->setColour(m_styles.colour(slot));
    // The sample shows every style from the start, not only after the first choice: an operator
    // sees what the defaults look like before deciding to change them.
    refreshSample();
}
