#include "window/ChatroomTab.h"

#include "window/ChatStyleFormat.h"
#include "window/Named.h"
#include "window/PlayerListWidget.h"
#include "window/TranscriptView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLineEdit *limitedLine(
    const QString &objectName, int maxLength, const QString &placeholder, QWidget *parent)
{
    auto *line = named(objectName, new QLineEdit(parent));
    line->setMaxLength(maxLength);
    line->setPlaceholderText(placeholder);
    return line;
}

void applyLook(QWidget *widget, quint32 background, const ChatStyle &style)
{
    widget->setFont(ChatStyleFormat::toFont(style, QApplication::font()));
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Base, ChatStyleFormat::toColor(background));
    colours.setColor(QPalette::Text, ChatStyleFormat::toColor(style.colour));
    widget->setPalette(colours);
}

} // namespace

ChatroomTab::ChatroomTab(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(buildChatColumn(), 1);
    layout->addWidget(buildSideColumn());
    setFocusProxy(m_input);
}

QWidget *ChatroomTab::buildChatColumn()
{
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    m_transcript = named(u"chatbox"_s, new TranscriptView(column));
    m_input = limitedLine(u"Text1"_s, 80, QString(), column);
    showWhisperHint(QString());
    m_send = named(u"Command4"_s, new QPushButton(u"Send"_s, column));
    m_whisper = named(u"Command5"_s, new QPushButton(u"Whisper"_s, column));
    m_whisper->setToolTip(u"Whisper the line to the player selected in the list"_s);
    connect(m_input, &QLineEdit::returnPressed, this, &ChatroomTab::inputSubmitted);

    auto *inputRow = new QHBoxLayout;
    inputRow->addWidget(m_input, 1);
    inputRow->addWidget(m_send);
    inputRow->addWidget(m_whisper);

    layout->addWidget(m_transcript, 1);
    layout->addLayout(inputRow);
    return column;
}

QWidget *ChatroomTab::buildSideColumn()
{
    auto *column = new QWidget(this);
    column->setFixedWidth(220);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *playersLabel = new QLabel(u"Players"_s, column);
    m_players = named(u"lstplayers"_s, new PlayerListWidget(column));
    playersLabel->setBuddy(m_players);

    auto *room = new QGroupBox(u"Room"_s, column);
    m_server = named(u"Combo1"_s, new QComboBox(room));
    m_server->addItems({u"Glenmora Net"_s, u"ViraruRor"_s});
    m_playerName = limitedLine(u"txtname"_s, 20, u"Your player name"_s, room);
    m_roomName = limitedLine(u"txtchatname"_s, 18, u"Name of the room"_s, room);
    m_locked = named(u"chklocked"_s, new QCheckBox(u"Locked"_s, room));
    m_locked->setToolTip(u"Players need the password to join"_s);
    m_password = limitedLine(u"txtpass"_s, 20, u"Room password"_s, room);
    m_password->setEnabled(false);
    // Only a locked room asks for its password.
    connect(m_locked, &QCheckBox::toggled, m_password, &QLineEdit::setEnabled);
    m_host = named(u"Command1"_s, new QPushButton(u"Host"_s, room));

    auto *form = new QFormLayout(room);
    form->addRow(u"Server"_s, m_server);
    form->addRow(u"Player name"_s, m_playerName);
    form->addRow(u"Room name"_s, m_roomName);
    form->addRow(m_locked, m_password);
    form->addRow(m_host);

    layout->addWidget(playersLabel);
    layout->addWidget(m_players, 1);
    layout->addWidget(room);
    return column;
}

void ChatroomTab::showWhisperHint(const QString &playerName)
{
    m_input->setPlaceholderText(playerName.isEmpty()
            ? u"Type a line and press Enter"_s
            : u"Whisper to %1: type the line, then click Whisper"_s.arg(playerName));
}

void ChatroomTab::setRoomInputsEnabled(bool enabled)
{
    if (enabled && !m_roomInputsFrozen)
        return;
    m_roomInputsFrozen = !enabled;
    const QList<QWidget *> inputs{m_server, m_playerName, m_roomName, m_locked, m_password};
    for (QWidget *input : inputs)
        input->setEnabled(enabled);
}

void ChatroomTab::applyStyles(
    quint32 background, const ChatStyle &inputStyle, const ChatStyle &playerListStyle)
{
    m_transcript->setBackgroundColour(background);
    applyLook(m_input, background, inputStyle);
    applyLook(m_players, background, playerListStyle);
}
