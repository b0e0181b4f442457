#include "LobbySimulator.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/ChatRoom.h"
#include "chatserver/ClientSlots.h"
#include "host/HostCore.h"
#include "host/HostIdentity.h"
#include "host/HostParts.h"
#include "support/GameClient.h"
#include "support/TestWait.h"
#include "window/BanDialog.h"
#include "window/ChatSettingsTab.h"
#include "window/HostWindow.h"
#include "window/HostWindowController.h"
#include "window/TourneySettingsTab.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

template <typename T> T *control(QWidget &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

QStringList rowsOf(const QListWidget *list)
{
    QStringList rows;
    for (int r = 0; r < list->count(); ++r)
        rows << list->item(r)->text();
    return rows;
}

QStringList columnOf(const QTreeWidget *view, int column)
{
    QStringList cells;
    for (int r = 0; r < view->topLevelItemCount(); ++r)
        cells << view->topLevelItem(r)->text(column);
    return cells;
}

} // namespace

// The window driven by its controls through a whole room: stored settings shown at start-up, a
// room registered with a lobby simulator, players joining from their own loopback addresses,
// the operator chatting, whispering, muting, kicking and banning, Close and Exit. The slots run
// in order over one room, as an operator's evening would.
class TestWindowRoom : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void startUpShowsStoredSettings();
    void hostOpensTheRoom();
    void joiningPlayersAreListedAndMonitored();
    void operatorChats_data();
    void operatorChats();
    void whisperGoesToTheSelectedPlayerOnly();
    void whisperWithoutAPlayerIsRefused_data();
    void whisperWithoutAPlayerIsRefused();
    void playersSharingANameAreToldApartByTheirRow();
    void muteTellsEverybodyAndTogglesBack();
    void popupOffersKickOnlyWithPlayers();
    void popupWhispersToThePlayerUnderThePointer();
    void kickAsksThePlayerToLeave();
    void cancelledBanBansNobody();
    void banListsTheAddressAndRefusesIt();
    void banListButtonsRemoveRows();
    void announceItemsSpeakToTheRoom_data();
    void announceItemsSpeakToTheRoom();
    void closeWithPlayersAsksFirst();
    void muteInAnEmptyRoomStaysOff();
    void exitWithAnOpenRoomAsksFirst();

private:
    QString transcriptText() const;
    bool transcriptShows(const QString &text) const;
    std::unique_ptr<GameClient> join(int hostByte, const QString &name);
    // The message boxes open now; each is closed after its text is taken.
    QStringList takeMessageBoxes();
    void clickRow(const QString &text);
    void clickRowAt(int row);
    void sendFromInput(const QString &line, QPushButton *button);
    // The question box open now (nothing when none is), and answering it.
    QMessageBox *question() const;
    void answer(QMessageBox::StandardButton button);
    // Opens the ban dialog on that player's row; nothing when it did not open.
    BanDialog *askBan(const QString &row);

    QTemporaryDir m_dir;
    std::unique_ptr<LobbySimulator> m_lobby;
    QStringList m_lobbyLog;
    quint16 chatPort() const { return m_core->parts().clientSlots.listeningPort(); }
    std::unique_ptr<HostCore> m_core;
    std::unique_ptr<HostWindow> m_window;
    std::unique_ptr<HostWindowController> m_controller;
    std::unique_ptr<GameClient> m_bob;
    std::unique_ptr<GameClient> m_cleo;
};

void TestWindowRoom::initTestCase()
{
    QVERIFY(m_dir.isValid());
    writeFile(
        m_dir.filePath(u"ladders.ini"_s), "' name|path|server\r\nAlpha|alp|3\r\nBeta|bet|4\r\n");
    writeFile(m_dir.filePath(u"settings.ini"_s),
        "[SOFTWARE\\TavixChat]\r\n"
        "pName=Ann\r\n"
        "cName=Sunday Cup\r\n"
        "cServer=ViraruRor\r\n"
        "cLocked=1\r\n"
        "cPass=secret\r\n"
        "cWelcomeMsg=Welcome to the cup\r\n"
        "cDetails 1=Beta\r\n"
        "tDetails 1=1234\r\n"
        "[SOFTWARE\\TavixChat\\Options]\r\n"
        "cOptions 1=1\r\n"
        "cLogs 0=1\r\n");

    m_lobby = std::make_unique<LobbySimulator>();
    QVERIFY(m_lobby->listen(QHostAddress(QHostAddress::LocalHost), 0));
    connect(m_lobby.get(), &LobbySimulator::logLine, this,
        [this](const QString &line) { m_lobbyLog << line; });

    HostOptions options;
    options.dataDir = m_dir.path();
    options.settingsFile = m_dir.filePath(u"settings.ini"_s);
    options.network.lobbyHost = u"127.0.0.1"_s;
    options.network.lobbyPort = m_lobby->serverPort();
    // Port 0: the room listens wherever the system has a free port; read back once it is open.
    options.network.chatPort = 0;
    m_core = std::make_unique<HostCore>(options);
    HostCore::Timing timing;
    timing.addChatTimeoutMs = 2000;
    timing.closeDelayMs = 150;
    timing.statusIntervalMs = 100;
    timing.shutdownWaitMs = 500;
    m_core->setTiming(timing);
    QVERIFY(m_core->start());
    // The same players come back from the same addresses in case after case, more often than the
    // join budget lets a client; these cases are about the window.
    ChatRoom::Limits limits;
    limits.joins.burst = 100;
    m_core->parts().room.setLimits(limits);

    m_window = std::make_unique<HostWindow>();
    m_controller = std::make_unique<HostWindowController>(*m_core, *m_window);
    m_controller->showRestoredState();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestWindowRoom::cleanupTestCase()
{
    m_bob.reset();
    m_cleo.reset();
    m_controller.reset();
    m_window.reset();
    m_core.reset();
}

QString TestWindowRoom::transcriptText() const
{
    return control<QTextEdit>(*m_window, "chatbox")->toPlainText();
}

bool TestWindowRoom::transcriptShows(const QString &text) const
{
    return waitUntil([&] { return transcriptText().contains(text); }, 3000);
}

std::unique_ptr<GameClient> TestWindowRoom::join(int hostByte, const QString &name)
{
    auto client = std::make_unique<GameClient>(hostByte);
    if (!client->connectTo(chatPort()))
        return nullptr;
    if (client->waitForOpcode(ChatPacket::InitiateConnectionOpen).isEmpty())
        return nullptr;
    client->sendJoin(name);
    if (client->waitForOpcode(ChatPacket::RoomSetup).isEmpty())
        return nullptr;
    return client;
}

QStringList TestWindowRoom::takeMessageBoxes()
{
    QStringList texts;
    for (QMessageBox *box : m_window->findChildren<QMessageBox *>()) {
        if (!box->isVisible())
            continue;
        texts << box->text();
        box->close();
    }
    return texts;
}

void TestWindowRoom::clickRow(const QString &text)
{
    auto *list = control<QListWidget>(*m_window, "lstplayers");
    const QList<QListWidgetItem *> hits = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!hits.isEmpty(), qPrintable(text));
    const QRect rect = list->visualItemRect(hits.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QVERIFY(hits.first()->isSelected());
}

void TestWindowRoom::clickRowAt(int row)
{
    auto *list = control<QListWidget>(*m_window, "lstplayers");
    QVERIFY(row >= 0 && row < list->count());
    list->clearSelection();
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    QVERIFY(list->item(row)->isSelected());
}

void TestWindowRoom::sendFromInput(const QString &line, QPushButton *button)
{
    auto *input = control<QLineEdit>(*m_window, "Text1");
    input->setFocus();
    input->clear();
    QTest::keyClicks(input, line);
    if (button)
        QTest::mouseClick(button, Qt::LeftButton);
    else
        QTest::keyClick(input, Qt::Key_Return);
}

QMessageBox *TestWindowRoom::question() const
{
    for (QMessageBox *box : m_window->findChildren<QMessageBox *>(u"msgAskFirst"_s)) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

void TestWindowRoom::answer(QMessageBox::StandardButton button)
{
    QVERIFY(waitUntil([&] { return question() != nullptr; }, 2000));
    QMessageBox *box = question();
    // Asking twice must not pile up boxes.
    const QList<QMessageBox *> boxes = m_window->findChildren<QMessageBox *>(u"msgAskFirst"_s);
    QCOMPARE(
        std::count_if(boxes.begin(), boxes.end(), [](QMessageBox *b) { return b->isVisible(); }),
        1);
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
    QTest::mouseClick(box->button(button), Qt::LeftButton);
    QVERIFY(waitUntil([&] { return question() == nullptr; }, 2000));
}

BanDialog *TestWindowRoom::askBan(const QString &row)
{
    clickRow(row);
    m_window->findChild<QAction *>(u"mnuPopKickBan"_s)->trigger();
    BanDialog *dialog = m_window->findChild<BanDialog *>(u"dlgBan"_s);
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

void TestWindowRoom::startUpShowsStoredSettings()
{
    QWidget &w = *m_window;
    QCOMPARE(m_window->windowTitle(), u"Vornic Host - Disconnected"_s);
    QCOMPARE(control<QTabWidget>(w, "SSTab1")->currentIndex(), 0);
    QCOMPARE(control<QComboBox>(w, "Combo1")->currentText(), u"ViraruRor"_s);
    QCOMPARE(control<QLineEdit>(w, "txtname")->text(), u"Ann"_s);
    QCOMPARE(control<QLineEdit>(w, "txtchatname")->text(), u"Sunday Cup"_s);
    QVERIFY(control<QCheckBox>(w, "chklocked")->isChecked());
    QCOMPARE(control<QLineEdit>(w, "txtpass")->text(), u"secret"_s);
    QVERIFY(control<QLineEdit>(w, "txtpass")->isEnabled());
    QCOMPARE(control<QLineEdit>(w, "txtwelcome")->text(), u"Welcome to the cup"_s);
    QCOMPARE(control<QComboBox>(w, "cboDetails_0")->currentText(), u"Beta"_s);
    QCOMPARE(control<QComboBox>(w, "cboDetails_0")->count(), 2);
    QCOMPARE(control<QLineEdit>(w, "txtDetails_0")->text(), u"1234"_s);
    QVERIFY(!control<QCheckBox>(w, "chkOptions_0")->isChecked());
    QVERIFY(control<QCheckBox>(w, "chkOptions_1")->isChecked());
    QVERIFY(control<QCheckBox>(w, "chkLog_0")->isChecked());
    QVERIFY(m_window->menuItem(HostWindow::LoggingItem)->isChecked());
    QCOMPARE(control<QPushButton>(w, "Command1")->text(), u"Host"_s);
    QCOMPARE(control<QListWidget>(w, "lstplayers")->count(), 0);
    QVERIFY(takeMessageBoxes().isEmpty());
}

void TestWindowRoom::hostOpensTheRoom()
{
    // The stored second network has a fixed address of its own; the simulator stands in for
    // the first. An unlocked room keeps the test's players free of passwords.
    auto *server = control<QComboBox>(*m_window, "Combo1");
    server->setFocus();
    QTest::keyClick(server, Qt::Key_Up);
    QCOMPARE(server->currentText(), u"Glenmora Net"_s);
    QCOMPARE(m_core->identity().server(), u"Glenmora Net"_s);
    QTest::mouseClick(control<QCheckBox>(*m_window, "chklocked"), Qt::LeftButton);
    QVERIFY(!control<QLineEdit>(*m_window, "txtpass")->isEnabled());

    auto *host = control<QPushButton>(*m_window, "Command1");
    QTest::mouseClick(host, Qt::LeftButton);
    QVERIFY(!control<QLineEdit>(*m_window, "txtname")->isEnabled());
    QVERIFY(!control<QComboBox>(*m_window, "Combo1")->isEnabled());
    QVERIFY(waitUntil([&] { return host->text() == u"Close"_s && host->isEnabled(); }, 3000));
    QVERIFY(transcriptShows(u"Chat Initiated at "_s));
    QCOMPARE(rowsOf(control<QListWidget>(*m_window, "lstplayers")), QStringList{u"Ann"_s});
    QVERIFY(
        waitUntil([&] { return m_window->statusLabel(2)->text() != u"ChatSock: Closed"_s; }, 2000));
}

void TestWindowRoom::joiningPlayersAreListedAndMonitored()
{
    m_bob = join(2, u"Bob"_s);
    QVERIFY(m_bob);
    m_cleo = join(3, u"Cleo"_s);
    QVERIFY(m_cleo);

    auto *list = control<QListWidget>(*m_window, "lstplayers");
    QVERIFY(waitUntil([&] { return list->count() == 3; }, 3000));
    QCOMPARE(rowsOf(list), (QStringList{u"Ann"_s, u"Bob"_s, u"Cleo"_s}));

    auto *monitor = control<QTreeWidget>(*m_window, "ListView1");
    QCOMPARE(columnOf(monitor, 0), (QStringList{u"Bob"_s, u"Cleo"_s}));
    QCOMPARE(columnOf(monitor, 1), (QStringList{u"127.0.0.2"_s, u"127.0.0.3"_s}));
    QCOMPARE(columnOf(monitor, 2),
        (QStringList{QString::number(m_bob->ownId()), QString::number(m_cleo->ownId())}));
    QVERIFY(waitUntil([&] { return m_window->statusLabel(3)->text() == u"Current: 2"_s; }, 2000));

    // What a player says reaches the operator's transcript.
    m_bob->sendChat(m_bob->ownId(), u"hi all"_s);
    QVERIFY(transcriptShows(u"Bob: hi all"_s));
}

void TestWindowRoom::operatorChats_data()
{
    QTest::addColumn<bool>("clickSend");
    QTest::newRow("Enter") << false;
    QTest::newRow("Send") << true;
}

void TestWindowRoom::operatorChats()
{
    QFETCH(bool, clickSend);
    const QString line = clickSend ? u"sent by the button"_s : u"sent with Enter"_s;
    m_bob->clearPackets();
    sendFromInput(line, clickSend ? control<QPushButton>(*m_window, "Command4") : nullptr);

    QVERIFY(transcriptShows(u"Ann: "_s + line));
    QVERIFY(control<QLineEdit>(*m_window, "Text1")->text().isEmpty());
    QVERIFY(waitUntil([&] { return m_bob->chatTexts().contains(line); }, 3000));
}

void TestWindowRoom::whisperGoesToTheSelectedPlayerOnly()
{
    m_bob->clearPackets();
    m_cleo->clearPackets();
    clickRow(u"Cleo"_s);
    sendFromInput(u"you are up next"_s, control<QPushButton>(*m_window, "Command5"));

    QVERIFY(transcriptShows(u"<To> Cleo: you are up next"_s));
    QVERIFY(waitUntil([&] { return m_cleo->chatTexts().contains(u"you are up next"_s); }, 3000));
    QVERIFY(m_bob->staysQuiet(200));
    QVERIFY(!m_bob->chatTexts().contains(u"you are up next"_s));
}

void TestWindowRoom::whisperWithoutAPlayerIsRefused_data()
{
    QTest::addColumn<QString>("selectedRow");
    QTest::newRow("operator's own row") << u"Ann"_s;
    QTest::newRow("no row") << QString();
}

void TestWindowRoom::whisperWithoutAPlayerIsRefused()
{
    QFETCH(QString, selectedRow);
    auto *list = control<QListWidget>(*m_window, "lstplayers");
    list->clearSelection();
    if (!selectedRow.isEmpty())
        clickRow(selectedRow);
    m_bob->clearPackets();
    m_cleo->clearPackets();
    sendFromInput(u"secret plan"_s, control<QPushButton>(*m_window, "Command5"));

    QCOMPARE(takeMessageBoxes(), QStringList{u"Please Select a Player To Whisper To"_s});
    // The line stays for the operator to whisper once a player is chosen.
    QCOMPARE(control<QLineEdit>(*m_window, "Text1")->text(), u"secret plan"_s);
    QVERIFY(!transcriptText().contains(u"secret plan"_s));
    QVERIFY(m_bob->staysQuiet(150));
    QVERIFY(m_cleo->staysQuiet(50));
    control<QLineEdit>(*m_window, "Text1")->clear();
}

// Whisper, Kick and Ban act on the player whose row was clicked, not on the first with that name.
void TestWindowRoom::playersSharingANameAreToldApartByTheirRow()
{
    auto first = join(4, u"Twin"_s);
    auto second = join(5, u"Twin"_s);
    QVERIFY(first && second);
    auto *list = control<QListWidget>(*m_window, "lstplayers");
    QVERIFY(waitUntil([&] { return rowsOf(list).count(u"Twin"_s) == 2; }, 3000));
    const int secondRow = int(rowsOf(list).lastIndexOf(u"Twin"_s));

    clickRowAt(secondRow);
    sendFromInput(u"only you"_s, control<QPushButton>(*m_window, "Command5"));
    QVERIFY(waitUntil([&] { return second->chatTexts().contains(u"only you"_s); }, 3000));
    QVERIFY(first->staysQuiet(200));
    QVERIFY(!first->chatTexts().contains(u"only you"_s));

    clickRowAt(secondRow);
    m_window->findChild<QAction *>(u"mnuPopKick"_s)->trigger();
    QVERIFY(!second->waitForOpcode(ChatPacket::Kick).isEmpty());
    clickRowAt(secondRow);
    m_window->findChild<QAction *>(u"mnuPopKickBan"_s)->trigger();
    auto *dialog = m_window->findChild<BanDialog *>(u"dlgBan"_s);
    QVERIFY(dialog && dialog->isVisible());
    QTest::mouseClick(dialog->banButton(), Qt::LeftButton);
    auto *bans = control<QTreeWidget>(*m_window, "ListView2");
    QVERIFY(waitUntil([&] { return bans->topLevelItemCount() == 1; }, 3000));
    QCOMPARE(columnOf(bans, 1), QStringList{second->address()});
    QVERIFY(first->staysQuiet(200));
    QVERIFY(!first->opcodes().contains(ChatPacket::Kick));

    QVERIFY(m_core->unban(second->address()));
    first->disconnectFromHost();
    second->disconnectFromHost();
    QVERIFY(waitUntil([&] { return !rowsOf(list).contains(u"Twin"_s); }, 3000));
}

void TestWindowRoom::muteTellsEverybodyAndTogglesBack()
{
    QAction *mute = m_window->menuItem(HostWindow::MuteItem);
    m_bob->clearPackets();
    mute->trigger();
    QVERIFY(mute->isChecked());
    QVERIFY(transcriptShows(u"** Chat Muted by Host **"_s));
    QVERIFY(waitUntil(
        [&] { return m_bob->chatTexts().contains(u"** Chat Muted by Host **"_s); }, 3000));

    mute->trigger();
    QVERIFY(!mute->isChecked());
    QVERIFY(transcriptShows(u"** Chat Mute Removed By Host **"_s));

    // A mute set from another front end (the panel runs beside the window) shows in the menu.
    QVERIFY(m_core->toggleMute());
    QVERIFY(mute->isChecked());
    QVERIFY(!m_core->toggleMute());
    QVERIFY(!mute->isChecked());
}

void TestWindowRoom::popupOffersKickOnlyWithPlayers()
{
    auto *list = control<QListWidget>(*m_window, "lstplayers");
    auto *popup = m_window->findChild<QMenu *>(u"mnupopup"_s);
    QVERIFY(popup);
    const QRect cleoRow = list->visualItemRect(list->findItems(u"Cleo"_s, Qt::MatchExactly)[0]);
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, cleoRow.center());
    QVERIFY(waitUntil([&] { return popup->isVisible(); }, 2000));
    QCOMPARE(list->currentItem()->text(), u"Cleo"_s);
    popup->close();
    QVERIFY(waitUntil([&] { return !popup->isVisible(); }, 2000));
}

void TestWindowRoom::popupWhispersToThePlayerUnderThePointer()
{
    auto *list = control<QListWidget>(*m_window, "lstplayers");
    auto *input = control<QLineEdit>(*m_window, "Text1");
    auto *popup = m_window->findChild<QMenu *>(u"mnupopup"_s);
    const QStringList items = [&] {
        QStringList texts;
        for (const QAction *action : popup->actions()) {
            if (!action->isSeparator())
                texts << action->text();
        }
        return texts;
    }();
    QCOMPARE(items, (QStringList{u"Whisper"_s, u"Kick Player"_s, u"Ban Player"_s}));
    QAction *whisper = m_window->findChild<QAction *>(u"mnuPopWhisper"_s);

    // With nothing typed, the input waits for the line and says for whom.
    clickRow(u"Bob"_s);
    input->clear();
    whisper->trigger();
    QVERIFY(input->placeholderText().contains(u"Bob"_s));
    QCOMPARE(m_window->focusWidget(), input);
    // Choosing someone else makes the hint wrong: it goes.
    clickRow(u"Cleo"_s);
    QVERIFY(!input->placeholderText().contains(u"Bob"_s));

    // With a line typed, it goes to the player at once, to nobody else.
    m_bob->clearPackets();
    m_cleo->clearPackets();
    clickRow(u"Cleo"_s);
    QTest::keyClicks(input, u"tee off at nine"_s);
    whisper->trigger();
    QVERIFY(transcriptShows(u"<To> Cleo: tee off at nine"_s));
    QVERIFY(waitUntil([&] { return m_cleo->chatTexts().contains(u"tee off at nine"_s); }, 3000));
    QVERIFY(m_bob->staysQuiet(150));
    QVERIFY(input->text().isEmpty());
    QVERIFY(!input->placeholderText().contains(u"Bob"_s));
    QCOMPARE(list->count(), 3);
}

void TestWindowRoom::kickAsksThePlayerToLeave()
{
    clickRow(u"Cleo"_s);
    m_window->findChild<QAction *>(u"mnuPopKick"_s)->trigger();
    QVERIFY(!m_cleo->waitForOpcode(ChatPacket::Kick).isEmpty());
    // The game client leaves when it is asked to; the seat ends with its connection.
    m_cleo->disconnectFromHost();
    auto *list = control<QListWidget>(*m_window, "lstplayers");
    QVERIFY(waitUntil([&] { return list->count() == 2; }, 3000));
    QCOMPARE(rowsOf(list), (QStringList{u"Ann"_s, u"Bob"_s}));
    QCOMPARE(control<QTreeWidget>(*m_window, "ListView2")->topLevelItemCount(), 0);
    QCOMPARE(control<QTreeWidget>(*m_window, "ListView1")->topLevelItemCount(), 1);

    // A kick is not a ban: Cleo may come back.
    m_cleo = join(3, u"Cleo"_s);
    QVERIFY(m_cleo);
    QVERIFY(waitUntil([&] { return list->count() == 3; }, 3000));
}

void TestWindowRoom::cancelledBanBansNobody()
{
    BanDialog *dialog = askBan(u"Bob"_s);
    QVERIFY(dialog);
    QVERIFY(dialog->findChild<QLabel *>(u"lblBanQuestion"_s)->text().contains(u"Bob"_s));
    m_bob->clearPackets();
    dialog->reject();
    QVERIFY(m_bob->waitForOpcode(ChatPacket::Kick, 200).isEmpty());
    QCOMPARE(control<QTreeWidget>(*m_window, "ListView2")->topLevelItemCount(), 0);
    QCOMPARE(control<QListWidget>(*m_window, "lstplayers")->count(), 3);
}

void TestWindowRoom::banListsTheAddressAndRefusesIt()
{
    BanDialog *dialog = askBan(u"Bob"_s);
    QVERIFY(dialog);
    dialog->durationChoice()->setCurrentIndex(BanDialog::OneDay);
    QTest::keyClicks(dialog->reasonInput(), u"  spamming the room "_s);
    const QDateTime before = QDateTime::currentDateTimeUtc();
    QTest::mouseClick(dialog->banButton(), Qt::LeftButton);
    QVERIFY(!m_bob->waitForOpcode(ChatPacket::Kick).isEmpty());
    m_bob->disconnectFromHost();

    auto *bans = control<QTreeWidget>(*m_window, "ListView2");
    QCOMPARE(columnOf(bans, 0), QStringList{u"Bob"_s});
    QCOMPARE(columnOf(bans, 1), QStringList{u"127.0.0.2"_s});
    QVERIFY(!columnOf(bans, 2).value(0).isEmpty());
    QCOMPARE(columnOf(bans, 4), QStringList{u"spamming the room"_s});
    const QList<BanRow> rows = m_core->banRows();
    QCOMPARE(rows.size(), 1);
    const qint64 lasts = before.secsTo(rows[0].expires);
    QVERIFY2(lasts >= 86400 - 5 && lasts <= 86400 + 5, qPrintable(QString::number(lasts)));
    auto *list = control<QListWidget>(*m_window, "lstplayers");
    QVERIFY(waitUntil([&] { return !rowsOf(list).contains(u"Bob"_s); }, 3000));

    // The banned address is refused: it never gets a seat.
    GameClient again(2);
    if (again.connectTo(chatPort())) {
        again.sendJoin(u"Bob"_s);
        QVERIFY(again.waitForClose(3000));
        QVERIFY(!again.opcodes().contains(ChatPacket::RoomSetup));
    }
    QVERIFY(!rowsOf(list).contains(u"Bob"_s));
}

void TestWindowRoom::banListButtonsRemoveRows()
{
    // Ban Cleo too, for good, so that one row can go and one can stay.
    BanDialog *dialog = askBan(u"Cleo"_s);
    QVERIFY(dialog);
    QCOMPARE(dialog->durationChoice()->currentIndex(), int(BanDialog::Permanent));
    QTest::keyClick(dialog->reasonInput(), Qt::Key_Return);
    QVERIFY(!m_cleo->waitForOpcode(ChatPacket::Kick).isEmpty());
    m_cleo->disconnectFromHost();
    auto *bans = control<QTreeWidget>(*m_window, "ListView2");
    QCOMPARE(columnOf(bans, 0), (QStringList{u"Bob"_s, u"Cleo"_s}));
    QCOMPARE(columnOf(bans, 3).value(1), u"Never"_s);

    bans->clearSelection();
    QTest::mouseClick(control<QPushButton>(*m_window, "Command2_0"), Qt::LeftButton);
    QCOMPARE(bans->topLevelItemCount(), 2);

    bans->topLevelItem(0)->setSelected(true);
    QTest::mouseClick(control<QPushButton>(*m_window, "Command2_0"), Qt::LeftButton);
    QCOMPARE(columnOf(bans, 0), QStringList{u"Cleo"_s});

    // Remove All asks first; No keeps the bans.
    QTest::mouseClick(control<QPushButton>(*m_window, "Command2_1"), Qt::LeftButton);
    QVERIFY(question() && question()->text().contains(u"Remove the ban?"_s));
    answer(QMessageBox::No);
    QCOMPARE(bans->topLevelItemCount(), 1);
    QTest::mouseClick(control<QPushButton>(*m_window, "Command2_1"), Qt::LeftButton);
    answer(QMessageBox::Yes);
    QCOMPARE(bans->topLevelItemCount(), 0);
    // With no bans there is nothing to ask.
    QTest::mouseClick(control<QPushButton>(*m_window, "Command2_1"), Qt::LeftButton);
    QVERIFY(!question());

    // Bob's address is welcome again.
    m_bob = join(2, u"Bob"_s);
    QVERIFY(m_bob);
    auto *list = control<QListWidget>(*m_window, "lstplayers");
    QVERIFY(waitUntil([&] { return rowsOf(list).contains(u"Bob"_s); }, 3000));
}

void TestWindowRoom::announceItemsSpeakToTheRoom_data()
{
    QTest::addColumn<int>("item");
    QTest::newRow("Details") << int(HostWindow::AnnounceDetails);
    QTest::newRow("Rules") << int(HostWindow::AnnounceRules);
    QTest::newRow("Rounds") << int(HostWindow::AnnounceRounds);
    QTest::newRow("All") << int(HostWindow::AnnounceAll);
}

void TestWindowRoom::announceItemsSpeakToTheRoom()
{
    QFETCH(int, item);
    m_bob->clearPackets();
    const qsizetype before = transcriptText().size();
    m_window->announceAction(HostWindow::AnnounceItem(item))->trigger();
    // The bot speaks in the transcript and to the players, a line at a time.
    QVERIFY(waitUntil([&] { return transcriptText().size() > before; }, 3000));
    QVERIFY(waitUntil([&] { return !m_bob->chatTexts().isEmpty(); }, 5000));
}

void TestWindowRoom::closeWithPlayersAsksFirst()
{
    auto *host = control<QPushButton>(*m_window, "Command1");
    QTest::mouseClick(host, Qt::LeftButton);
    QVERIFY(question() && question()->text().contains(u"The player in it"_s));
    answer(QMessageBox::No);
    QVERIFY(!m_bob->waitForClose(200));
    QCOMPARE(host->text(), u"Close"_s);

    QTest::mouseClick(host, Qt::LeftButton);
    answer(QMessageBox::Yes);
    QVERIFY(m_bob->waitForClose(3000));
    QVERIFY(waitUntil([&] { return host->text() == u"Host"_s && host->isEnabled(); }, 3000));
    QVERIFY(transcriptShows(u"System: Chat Closed At: "_s));
    QCOMPARE(control<QListWidget>(*m_window, "lstplayers")->count(), 0);
    QCOMPARE(control<QTreeWidget>(*m_window, "ListView1")->topLevelItemCount(), 0);
    QVERIFY(control<QLineEdit>(*m_window, "txtname")->isEnabled());
    QVERIFY(m_lobbyLog.join(u'\n').contains(u"remove-chat"_s));
}

void TestWindowRoom::muteInAnEmptyRoomStaysOff()
{
    QAction *mute = m_window->menuItem(HostWindow::MuteItem);
    const qsizetype before = transcriptText().size();
    mute->trigger();
    QVERIFY(!mute->isChecked());
    QCOMPARE(transcriptText().size(), before);
}

void TestWindowRoom::exitWithAnOpenRoomAsksFirst()
{
    auto *host = control<QPushButton>(*m_window, "Command1");
    const auto openRoom = [&] {
        QTest::mouseClick(host, Qt::LeftButton);
        return waitUntil([&] { return host->text() == u"Close"_s && host->isEnabled(); }, 3000);
    };
    // Only ever towards the simulator.
    QCOMPARE(m_core->identity().server(), u"Glenmora Net"_s);
    // An empty room closes without a question.
    QVERIFY(openRoom());
    QTest::mouseClick(host, Qt::LeftButton);
    QVERIFY(!question());
    QVERIFY(waitUntil([&] { return host->text() == u"Host"_s && host->isEnabled(); }, 3000));

    QVERIFY(openRoom());
    m_bob = join(2, u"Bob"_s);
    QVERIFY(m_bob);
    m_lobbyLog.clear();

    // No keeps the room and the window; closing the window twice asks once.
    m_window->menuItem(HostWindow::ExitItem)->trigger();
    m_window->close();
    answer(QMessageBox::No);
    QVERIFY(!m_bob->waitForClose(200));
    QVERIFY(m_window->isVisible());

    m_window->menuItem(HostWindow::ExitItem)->trigger();
    answer(QMessageBox::Yes);
    QVERIFY(m_bob->waitForClose(3000));
    QVERIFY(waitUntil([&] { return m_lobbyLog.join(u'\n').contains(u"remove-chat"_s); }, 3000));
    QVERIFY(waitUntil([&] { return !m_window->isVisible(); }, 3000));
    // Host cleared the transcript; Exit ends the program before the close delay writes its line.
    QTest::qWait(400);
    QVERIFY(!transcriptText().contains(u"Chat Closed At: "_s));
}

QTEST_MAIN(TestWindowRoom)
#include "tst_WindowRoom.moc"
