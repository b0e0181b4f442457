#pragma once

#include <QObject>

#include <functional>

class ChatroomTab;
class QLineEdit;
class HostIdentity;
class SettingsEditor;
struct StoredValue;

// Keeps the room inputs of the Chatroom tab (server choice, player name, room name, "Locked",
// password) in step with the host identity: the identity's values are shown, and every edit by
// the operator is handed to the host's settings operations, which write it through.
class IdentityBinder : public QObject
{
    Q_OBJECT

public:
    IdentityBinder(const HostIdentity &identity, SettingsEditor &editor, ChatroomTab &view,
        QObject *parent = nullptr);

private:
    void connectEdits();
    void connectText(QLineEdit *box, const StoredValue &stored);
    void showIdentity();
    bool isShowing() const { return m_showing; }

    const HostIdentity &m_identity;
    SettingsEditor &m_editor;
    ChatroomTab &m_view;
    // Set while the identity is put into the controls: their change signals are then echoes,
    // not edits.
    bool m_showing = false;
};
