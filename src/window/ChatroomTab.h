#pragma once

#include "appearance/ChatStyle.h"

#include <QWidget>

class PlayerListWidget;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TranscriptView;

// The "Chatroom" tab: the transcript with the operator's input line, the player list and the
// room's identity inputs with the Host/Close button.
class ChatroomTab : public QWidget
{
    Q_OBJECT

public:
    explicit ChatroomTab(QWidget *parent = nullptr);

    TranscriptView *transcript() const { return m_transcript; }
    QLineEdit *inputLine() const { return m_input; }
    QPushButton *sendButton() const { return m_send; }
    QPushButton *whisperButton() const { return m_whisper; }
    PlayerListWidget *playerList() const { return m_players; }
    QPushButton *hostButton() const { return m_host; }
    QComboBox *serverChoice() const { return m_server; }
    QLineEdit *playerNameInput() const { return m_playerName; }
    QLineEdit *roomNameInput() const { return m_roomName; }
    QCheckBox *lockedBox() const { return m_locked; }
    QLineEdit *passwordInput() const { return m_password; }

    // The five inputs that are frozen while a room is starting or open. Thawing them opens the
    // password box whether or not "Locked" is checked; enabling inputs that were never frozen
    // leaves the password box as the check mark set it.
    void setRoomInputsEnabled(bool enabled);

    // The input line's hint: whom the next Whisper goes to, or (empty name) the usual hint.
    void showWhisperHint(const QString &playerName);

    // Start-up looks: the chat background behind the transcript, input line and player list,
    // the general-chat style on the input line and the player-name style on the list.
    void applyStyles(
        quint32 background, const ChatStyle &inputStyle, const ChatStyle &playerListStyle);

Q_SIGNALS:
    // Enter in the input line.
    void inputSubmitted();

private:
    QWidget *buildChatColumn();
    QWidget *buildSideColumn();

    TranscriptView *m_transcript;
    QLineEdit *m_input;
    QPushButton *m_send;
    QPushButton *m_whisper;
    PlayerListWidget *m_players;
    QPushButton *m_host;
    QComboBox *m_server;
    QLineEdit *m_playerName;
    QLineEdit *m_roomName;
    QCheckBox *m_locked;
    QLineEdit *m_password;
    bool m_roomInputsFrozen = false;
};
