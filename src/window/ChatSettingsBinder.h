#pragma once

#include <QObject>

class ChatOptions;
class ChatSettingsTab;
class ChatStyles;
class HostIdentity;
class QFont;
class SettingsEditor;

// Keeps the "Chat Settings" tab in step with the chat options, the welcome message and the chat
// styles: their values are shown, the operator's clicks, edits and choices are handed to the
// host's settings operations (which write them through), and each colour or font choice redraws
// the sample.
//
// The "Enable Logging" menu item follows the first logging box through the window itself, so a
// click on either lands here as that box's change.
class ChatSettingsBinder : public QObject
{
    Q_OBJECT

public:
    ChatSettingsBinder(const ChatOptions &options, const ChatStyles &styles,
        const HostIdentity &identity, SettingsEditor &editor, ChatSettingsTab &view,
        QObject *parent = nullptr);

    // Redraws the sample box and the font labels from the current styles.
    void refreshSample();

private:
    void connectOptionEdits();
    void connectStyleChoices();
    void showOptions();
    void showWelcome();
    // Swatches and font labels; the sample box stays as it is until the next choice.
    void showStyles();
    void storeColour(int index, quint32 colour);
    void storeFont(int index, const QFont &font);

    const ChatOptions &m_options;
    const ChatStyles &m_styles;
    const HostIdentity &m_identity;
    SettingsEditor &m_editor;
    ChatSettingsTab &m_view;
    // Set while values are put into the controls: their change signals are then echoes.
    bool m_showing = false;
};
