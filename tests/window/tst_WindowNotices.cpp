#include "LobbySimulator.h"
#include "chat/ChatOptions.h"
#include "host/HostCore.h"
#include "support/ScratchHost.h"
#include "support/TestWait.h"
#include "window/HostWindow.h"
#include "window/HostWindowController.h"

#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

template <typename T> T *control(QWidget &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

// The window over a host whose lobby server is at lobbyPort on loopback, started from a fresh
// data folder holding only the ladders.
struct WindowedHost
{
    explicit WindowedHost(quint16 lobbyPort)
    {
        core = std::make_unique<HostCore>(scratchHostOptions(dir, lobbyPort));
        HostCore::Timing timing;
        timing.addChatTimeoutMs = 5000;
        timing.closeDelayMs = 150;
        core->setTiming(timing);
        started = core->start();
        controller = std::make_unique<HostWindowController>(*core, window);
        controller->showRestoredState();
        window.show();
    }

    QPushButton *button(const char *name) { return control<QPushButton>(window, name); }
    QLineEdit *line(const char *name) { return control<QLineEdit>(window, name); }
    QString transcript() { return control<QTextEdit>(window, "chatbox")->toPlainText(); }

    // The texts of the message boxes open now; each is closed once read.
    QStringList takeMessageBoxes()
    {
        QStringList texts;
        for (QMessageBox *box : window.findChildren<QMessageBox *>()) {
            if (!box->isVisible())
                continue;
            texts << box->text();
            box->close();
        }
        return texts;
    }

    void type(const char *name, const QString &text)
    {
        QLineEdit *edit = line(name);
        edit->setFocus();
        // As the operator would: select everything, delete it, type.
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    QTemporaryDir dir;
    std::unique_ptr<HostCore> core;
    HostWindow window;
    std::unique_ptr<HostWindowController> controller;
    bool started = false;
};

} // namespace

// What the window tells a new operator: a refusal to host without names, why a start failed,
// whether the lobby link is up, and that nothing can be said before a room is open.
class TestWindowNotices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostingWithoutNamesIsRefused()
    {
        WindowedHost host(closedPort());
        QVERIFY(host.started);
        QPushButton *hostButton = host.button("Command1");
        for (const auto &[name, room] :
            {std::pair{u""_s, u""_s}, std::pair{u"Ann"_s, u""_s}, std::pair{u""_s, u"Golf"_s}}) {
            host.type("txtname", name);
            host.type("txtchatname", room);
            QTest::mouseClick(hostButton, Qt::LeftButton);
            QCOMPARE(host.takeMessageBoxes(),
                QStringList{u"Please Enter a Player Name and a Room Name"_s});
            QCOMPARE(host.core->hosting(), HostCore::Hosting::Idle);
            QVERIFY(host.line("txtname")->isEnabled());
            QCOMPARE(hostButton->text(), u"Host"_s);
        }
        QVERIFY(host.transcript().isEmpty());
    }

    void sendAndWhisperWaitForARoom()
    {
        LobbySimulator lobby;
        QVERIFY(lobby.listen(QHostAddress(QHostAddress::LocalHost), 0));
        WindowedHost host(lobby.serverPort());
        QVERIFY(host.started);
        QVERIFY(!host.button("Command4")->isEnabled());
        QVERIFY(!host.button("Command5")->isEnabled());
        // Enter says nothing either; the line stays for when the room opens.
        host.type("Text1", u"hello"_s);
        QTest::keyClick(host.line("Text1"), Qt::Key_Return);
        QCOMPARE(host.line("Text1")->text(), u"hello"_s);
        QVERIFY(host.transcript().isEmpty());

        host.type("txtname", u"Ann"_s);
        host.type("txtchatname", u"Golf"_s);
        QTest::mouseClick(host.button("Command1"), Qt::LeftButton);
        QVERIFY(!host.button("Command4")->isEnabled()); // starting is not open
        QVERIFY(waitUntil([&] { return host.button("Command4")->isEnabled(); }, 8000));
        QVERIFY(host.button("Command5")->isEnabled());
        QCOMPARE(host.window.windowTitle(), u"Vornic Host - Connected"_s);
        QTest::mouseClick(host.button("Command4"), Qt::LeftButton);
        QVERIFY(host.transcript().contains(u"Ann: hello"_s));

        QTest::mouseClick(host.button("Command1"), Qt::LeftButton);
        QVERIFY(!host.button("Command4")->isEnabled());
        QVERIFY(waitUntil(
            [&] { return host.window.windowTitle() == u"Vornic Host - Disconnected"_s; }, 3000));
    }

    // A refused connection is reported at once, in a box, with the server, the port and the
    // cause, even with the system lines hidden.
    void refusedLobbyIsExplained()
    {
        const quint16 port = closedPort();
        QVERIFY(port != 0);
        WindowedHost host(port);
        QVERIFY(host.started);
        QVERIFY(!host.core->options().displaysSystemMessages());
        host.type("txtname", u"Ann"_s);
        host.type("txtchatname", u"Golf"_s);
        QTest::mouseClick(host.button("Command1"), Qt::LeftButton);
        QStringList boxes;
        QVERIFY(waitUntil(
            [&] {
                boxes << host.takeMessageBoxes();
                return !boxes.isEmpty();
            },
            4000));
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.at(0).startsWith(u"Could not reach the lobby server 127.0.0.1:"_s
                     + QString::number(port) + u": connection refused."_s),
            qPrintable(boxes.at(0)));
        QCOMPARE(host.core->hosting(), HostCore::Hosting::Idle);
        QVERIFY(host.button("Command1")->isEnabled());
        QCOMPARE(host.window.windowTitle(), u"Vornic Host - Disconnected"_s);
    }
};

QTEST_MAIN(TestWindowNotices)
#include "tst_WindowNotices.moc"
