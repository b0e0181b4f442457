#include "window/HostWindowController.h"

#include "chat/PrintableText.h"
#include "host/HostCore.h"
#include "window/AskFirst.h"
#include "window/BanDialog.h"
#include "window/ChatSettingsBinder.h"
#include "window/ChatroomTab.h"
#include "window/DebugTab.h"
#include "window/HostWindow.h"
#include "window/IdentityBinder.h"
#include "window/IpMonitorTab.h"
#include "window/PlayerListWidget.h"
#include "window/TourneySettingsBinder.h"
#include "window/TranscriptBinder.h"
#include "window/TranscriptView.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

HostWindowController::HostWindowController(HostCore &core, HostWindow &window, QObject *parent)
    : QObject(parent)
    , m_core(core)
    , m_window(window)
{
    connect(&core, &HostCore::messageBox, this, &HostWindowController::showMessage);
    connect(&core, &HostCore::windowTitleChanged, &window, &QWidget::setWindowTitle);
    connect(&core, &HostCore::finished, this, [this] {
        // The room is closed: the window may go now, and the program with it.
        m_finished = true;
        m_window.close();
        QApplication::quit();
    });
    window.installEventFilter(this);
}

void HostWindowController::showRestoredState()
{
    m_window.setWindowTitle(m_core.windowTitle());
    // Each binder keeps one view in step with one model from here on; the controller owns them.
    auto *transcript = new TranscriptBinder(*m_window.chatroomTab(), m_window, this);
    transcript->applyStartupStyles(m_core.styles());
    connect(&m_core, &HostCore::transcriptLineAdded, transcript, &TranscriptBinder::showLine);
    connect(&m_core, &HostCore::transcriptCleared, transcript, &TranscriptBinder::showCleared);
    new IdentityBinder(m_core.identity(), m_core.settings(), *m_window.chatroomTab(), this);
    new ChatSettingsBinder(m_core.options(), m_core.styles(), m_core.identity(), m_core.settings(),
        *m_window.chatSettingsTab(), this);
    new TourneySettingsBinder(
        m_core.tournament(), m_core.settings(), *m_window.tourneySettingsTab(), this);
    connectChatroom();
    connectModeration();
    connectMenus();
    connectStatus();
    showHosting();
    refreshPlayerList();
    m_window.chatroomTab()->inputLine()->setFocus();
}

void HostWindowController::connectChatroom()
{
    ChatroomTab *tab = m_window.chatroomTab();
    connect(tab->hostButton(), &QPushButton::clicked, this, &HostWindowController::clickHost);
    connect(&m_core, &HostCore::hostingChanged, this, &HostWindowController::showHosting);
    connect(tab, &ChatroomTab::inputSubmitted, this, [this] { sendInput(false); });
    connect(tab->sendButton(), &QPushButton::clicked, this, [this] { sendInput(false); });
    connect(tab->whisperButton(), &QPushButton::clicked, this, [this] { sendInput(true); });
    connect(&m_core, &HostCore::playersChanged, this, &HostWindowController::refreshPlayerList);
    // The hint names the player the Whisper menu item chose; another choice, or a list redrawn
    // without the choice, makes it wrong.
    connect(tab->playerList(), &QListWidget::currentItemChanged, tab,
        [tab] { tab->showWhisperHint(QString()); });
}

void HostWindowController::connectModeration()
{
    PlayerListWidget *list = m_window.chatroomTab()->playerList();
    connect(
        list->whisperAction(), &QAction::triggered, this, &HostWindowController::whisperFromMenu);
    connect(list->kickAction(), &QAction::triggered, this, &HostWindowController::kickSelected);
    connect(list->banAction(), &QAction::triggered, this, &HostWindowController::askBanSelected);

    IpMonitorTab *monitor = m_window.ipMonitorTab();
    connect(&m_core, &HostCore::ipMonitorChanged, this, &HostWindowController::refreshIpMonitor);
    connect(&m_core, &HostCore::bansChanged, this, &HostWindowController::refreshBanList);
    connect(monitor->removeBanButton(), &QPushButton::clicked, this, [this] {
        QList<int> rows;
        QTreeWidget *bans = m_window.ipMonitorTab()->banList();
        for (QTreeWidgetItem *item : bans->selectedItems())
            rows << bans->indexOfTopLevelItem(item);
        m_core.unbanRows(rows);
    });
    connect(monitor->removeAllBansButton(), &QPushButton::clicked, this,
        &HostWindowController::askRemoveAllBans);
    connect(&m_core, &HostCore::debugLineAdded, m_window.debugTab(), &DebugTab::appendLine);
}

void HostWindowController::connectMenus()
{
    connect(m_window.menuItem(HostWindow::ClearItem), &QAction::triggered, this,
        [this] { m_core.clearTranscript(); });
    connect(m_window.menuItem(HostWindow::MuteItem), &QAction::triggered, this,
        &HostWindowController::toggleMute);
    // The check mark follows the room's mute from whichever front end it was set.
    connect(&m_core, &HostCore::mutedChanged, m_window.menuItem(HostWindow::MuteItem),
        &QAction::setChecked);
    connect(m_window.menuItem(HostWindow::RefreshPairingsItem), &QAction::triggered, this,
        [this] { m_core.refreshPairings(); });
    const std::array<Announcement, HostWindow::AnnounceItemCount> announcements
        = {Announcement::All, Announcement::Details, Announcement::Rules, Announcement::Rounds,
            Announcement::Pairings};
    for (int i = 0; i < HostWindow::AnnounceItemCount; ++i) {
        connect(m_window.announceAction(HostWindow::AnnounceItem(i)), &QAction::triggered, this,
            [this, what = announcements[std::size_t(i)]] { m_core.announce(what); });
    }
    for (int i = 0; i < HostWindow::PageItemCount; ++i) {
        connect(m_window.pageAction(i), &QAction::triggered, this, [this, i] { openPage(i); });
    }
}

void HostWindowController::connectStatus()
{
    connect(&m_core, &HostCore::statusChanged, this, [this] {
        const QStringList captions = m_core.statusCaptions();
        for (int i = 0; i < captions.size(); ++i)
            m_window.statusLabel(i)->setText(captions.at(i));
    });
}

void HostWindowController::clickHost()
{
    m_window.chatroomTab()->inputLine()->setFocus();
    const qsizetype seated = m_core.playerRows().size() - 1; // row 0 is the operator
    if (m_core.hosting() != HostCore::Hosting::Open || seated <= 0) {
        m_core.clickHostButton();
        return;
    }
    const QString question = seated == 1
        ? u"Close the room? The player in it will be disconnected."_s
        : u"Close the room? The %1 players in it will be disconnected."_s.arg(seated);
    askFirst(&m_window, u"Close the Room"_s, question, [this] {
        // The room may have closed another way while the question was up.
        if (m_core.hosting() == HostCore::Hosting::Open)
            m_core.clickHostButton();
    });
}

void HostWindowController::showHosting()
{
    ChatroomTab *tab = m_window.chatroomTab();
    tab->hostButton()->setText(m_core.hostButtonCaption());
    tab->hostButton()->setEnabled(m_core.hostButtonEnabled());
    tab->setRoomInputsEnabled(m_core.identityInputsEnabled());
    // Nothing can be said to a room that is not open.
    tab->sendButton()->setEnabled(m_core.canSend());
    tab->whisperButton()->setEnabled(m_core.canSend());
}

void HostWindowController::refreshPlayerList()
{
    QListWidget *list = m_window.chatroomTab()->playerList();
    list->clear();
    // Nobody until a room is open; the first row is then the operator's own. Each row keeps its
    // player's ID: two players may share a name, and the actions must hit the one clicked.
    for (const PlayerRow &row : m_core.playerRows()) {
        auto *item = new QListWidgetItem(row.name, list);
        item->setData(PlayerIdRole, row.id);
    }
}

void HostWindowController::refreshIpMonitor()
{
    QTreeWidget *view = m_window.ipMonitorTab()->monitorList();
    view->clear();
    for (const IpMonitorRow &row : m_core.ipMonitorRows()) {
        view->addTopLevelItem(new QTreeWidgetItem({row.playerName, row.address,
            QString::number(row.id), QString::number(row.socket), QString()}));
    }
}

void HostWindowController::refreshBanList()
{
    QTreeWidget *view = m_window.ipMonitorTab()->banList();
    view->clear();
    const QLocale locale;
    for (const BanRow &row : m_core.banRows()) {
        const QString expires = row.expires.isValid()
            ? locale.toString(row.expires.toLocalTime(), QLocale::ShortFormat)
            : u"Never"_s;
        view->addTopLevelItem(new QTreeWidgetItem({printableText(row.playerName), row.address,
            row.timeBanned, expires, printableText(row.reason)}));
    }
}

void HostWindowController::sendInput(bool whisper)
{
    ChatroomTab *tab = m_window.chatroomTab();
    QLineEdit *input = tab->inputLine();
    const QString line = input->text();
    if (line.isEmpty())
        return;
    if (whisper) {
        // With several rows selected the last one wins.
        const QList<quint16> selected = selectedPlayerIds();
        if (selected.isEmpty() || !m_core.whisper(selected.last(), line)) {
            showMessage(u"Please Select a Player To Whisper To"_s, u"Whisper Error"_s);
            return;
        }
    } else if (!m_core.say(line)) {
        return; // no room: the line stays in the box
    }
    tab->showWhisperHint(QString());
    input->clear();
    input->setFocus();
}

void HostWindowController::toggleMute()
{
    // The action has checked itself already; an empty room leaves the mute as it was.
    m_window.menuItem(HostWindow::MuteItem)->setChecked(m_core.toggleMute());
}

QList<quint16> HostWindowController::selectedPlayerIds() const
{
    const QListWidget *list = m_window.chatroomTab()->playerList();
    QList<quint16> ids;
    // Row 0 is the operator's own and never a target.
    for (int r = 1; r < list->count(); ++r) {
        if (list->item(r)->isSelected())
            ids.append(quint16(list->item(r)->data(PlayerIdRole).toUInt()));
    }
    return ids;
}

void HostWindowController::kickSelected()
{
    for (const quint16 id : selectedPlayerIds())
        m_core.kick(id);
}

void HostWindowController::whisperFromMenu()
{
    // The popup has selected the row under the pointer: a typed line goes to that player at once,
    // otherwise the input waits for it.
    QLineEdit *input = m_window.chatroomTab()->inputLine();
    if (!input->text().isEmpty()) {
        sendInput(true);
        return;
    }
    const PlayerListWidget *list = m_window.chatroomTab()->playerList();
    if (list->currentRow() > 0) // row 0 is the operator's own
        m_window.chatroomTab()->showWhisperHint(list->currentItem()->text());
    input->setFocus();
}

void HostWindowController::askBanSelected()
{
    const QListWidget *list = m_window.chatroomTab()->playerList();
    // Row 0 is the operator's own and never a target.
    for (int r = 1; r < list->count(); ++r) {
        const QListWidgetItem *item = list->item(r);
        if (!item->isSelected())
            continue;
        // The row's ID is taken when the question opens: whoever shares the name is not meant.
        const auto id = quint16(item->data(PlayerIdRole).toUInt());
        BanDialog::ask(
            &m_window, item->text(), [this, id](const BanTerms &terms) { m_core.ban(id, terms); });
        return;
    }
}

void HostWindowController::askRemoveAllBans()
{
    const qsizetype bans = m_core.banRows().size();
    if (bans == 0)
        return;
    const QString question = bans == 1
        ? u"Remove the ban? Its address may join again."_s
        : u"Remove all %1 bans? Their addresses may join again."_s.arg(bans);
    askFirst(&m_window, u"Remove All Bans"_s, question, [this] { m_core.unbanAll(); });
}

void HostWindowController::openPage(int index)
{
    if (const std::optional<QUrl> url = m_core.tournamentPageUrl(index))
        QDesktopServices::openUrl(*url);
}

void HostWindowController::showMessage(const QString &text, const QString &title)
{
    // Not exec(): a modal box must not run a nested event loop inside a network handler.
    auto *box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, &m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

bool HostWindowController::eventFilter(QObject *watched, QEvent *event)
{
    // Closing the window is Exit: the room closes first, then the program ends. With a room
    // starting or open, the operator is asked first.
    if (watched == &m_window && event->type() == QEvent::Close && !m_finished) {
        event->ignore();
        const HostCore::Hosting hosting = m_core.hosting();
        if (hosting != HostCore::Hosting::Open && hosting != HostCore::Hosting::Starting) {
            m_core.shutdown();
        } else if (!m_exitQuestion) {
            m_exitQuestion = askFirst(&m_window, u"Exit"_s,
                u"Exit and close the room? Everybody in it will be disconnected."_s,
                [this] { m_core.shutdown(); });
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}
