#pragma once

#include <QObject>

#include <functional>

class ChatroomTab;
class QLineEdit;
class HostIdentity;

// Keeps the room inputs of the Chatroom tab (server choice, player name, room name, "Locked",
// password) in step with the host identity: the identity's values are shown, and every edit by
// the operator is handed to it, which writes it through to the settings.
class IdentityBinder : public QObject
{
    Q_OBJECT

public:
    IdentityBinder(HostIdentity &identity, ChatroomTab &view, QObject *parent = nullptr);

private:
    void connectEdits();
    void connectText(QLineEdit *box, const std::function<void(const QString &)> &store);
    void showIdentity();
    bool isShowing() const { return m_showing; }

    HostIdentity &m_identity;
    ChatroomTab &m_view;
    // Set while the identity is put into the controls: their change signals are then echoes,
    // not edits.
    bool m_showing = false;
};
