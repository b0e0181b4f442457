#include "host/HostCore.h"
#include "host/HostIdentity.h"
#include "support/TestWait.h"
#include "window/AboutDialog.h"
#include "window/ChatSettingsTab.h"
#include "window/ChatroomTab.h"
#include "window/ColourSwatch.h"
#include "window/DebugTab.h"
#include "window/FontLabel.h"
#include "window/HostWindow.h"
#include "window/HostWindowController.h"
#include "window/PlayerListWidget.h"
#include "window/StyleSample.h"
#include "window/TourneySettingsTab.h"
#include "window/TranscriptView.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

struct ExpectedControl
{
    QString name;
    QString type;
    QString caption; // null: not checked
    int limit = 0; // the longest text the input takes; 0: not an input with a limit
};

// The table is data, one control a line, kept beside this test as controls.tsv.
QList<ExpectedControl> expectedControls()
{
    QFile file(u":/controls.tsv"_s);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QList<ExpectedControl> controls;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine());
        if (line.endsWith(u'\n'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList fields = line.split(u'\t');
        const QString caption = fields.value(2);
        controls.append({fields.value(0), fields.value(1), caption.isEmpty() ? QString() : caption,
            fields.value(3).toInt()});
    }
    return controls;
}

} // namespace

// The core finds the window's controls by these names and types, and the operator reads these
// captions; a rename on either side breaks the wiring silently.
class TestHostWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controlsHaveNamesTypesAndCaptions_data();
    void controlsHaveNamesTypesAndCaptions();
    void controlArraysAreComplete_data();
    void controlArraysAreComplete();
    void inputsCutTypingAtTheirLimit_data();
    void inputsCutTypingAtTheirLimit();
    void tabsAreCaptionedInOrder();
    void menuItemsSwitchTabs_data();
    void menuItemsSwitchTabs();
    void listColumnsAreCaptioned();
    void serverChoiceOffersBothServers();
    void keyboardFocusStartsInTheInputLine();
    void controlTabWalksEveryTab();
    void enterInTheInputLineIsSignalled();
    void loggingMenuItemAndCheckBoxStayInStep();
    void lockedBoxEnablesThePassword();
    void roomInputsFreezeTogether();
    void passwordBoxAtStartUpAndAfterAFailedStart();
    void debugListKeepsTheNewestLines();
    void holesColumnTakesNewChoicesInEveryRow();
    void pickersReportOnlyConfirmedChoices();
};

void TestHostWindow::controlsHaveNamesTypesAndCaptions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("caption");
    const QList<ExpectedControl> controls = expectedControls();
    QVERIFY(!controls.isEmpty());
    for (const ExpectedControl &control : controls) {
        QTest::newRow(qPrintable(control.name)) << control.name << control.type << control.caption;
    }
}

void TestHostWindow::controlsHaveNamesTypesAndCaptions()
{
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QString, caption);

    HostWindow window;
    const QList<QObject *> found = window.findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QVERIFY2(found.first()->inherits(type.toLatin1().constData()),
        found.first()->metaObject()->className());
    if (!caption.isNull())
        QCOMPARE(found.first()->property("text").toString(), caption);
}

void TestHostWindow::controlArraysAreComplete_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("type");
    QTest::newRow("cboDetails") << u"cboDetails"_s << 3 << u"QComboBox"_s;
    QTest::newRow("txtDetails") << u"txtDetails"_s << 4 << u"QLineEdit"_s;
    QTest::newRow("cboCourse") << u"cboCourse"_s << 9 << u"QComboBox"_s;
    QTest::newRow("cboLevel") << u"cboLevel"_s << 9 << u"QComboBox"_s;
    QTest::newRow("cboHoles") << u"cboHoles"_s << 9 << u"QComboBox"_s;
    QTest::newRow("txtRules") << u"txtRules"_s << 5 << u"QLineEdit"_s;
    QTest::newRow("cmdColor") << u"cmdColor"_s << 6 << u"ColourSwatch"_s;
}

void TestHostWindow::controlArraysAreComplete()
{
    QFETCH(QString, base);
    QFETCH(int, count);
    QFETCH(QString, type);

    HostWindow window;
    for (int i = 0; i < count; ++i) {
        const QString name = base + u'_' + QString::number(i);
        auto *control = window.findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QVERIFY2(control->inherits(type.toLatin1().constData()), qPrintable(name));
    }
    QVERIFY(!window.findChild<QWidget *>(base + u'_' + QString::number(count)));
}

void TestHostWindow::inputsCutTypingAtTheirLimit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("limit");
    for (const ExpectedControl &control : expectedControls()) {
        if (control.limit > 0)
            QTest::newRow(qPrintable(control.name)) << control.name << control.limit;
    }
}

void TestHostWindow::inputsCutTypingAtTheirLimit()
{
    QFETCH(QString, name);
    QFETCH(int, limit);

    HostWindow window;
    window.findChild<QCheckBox *>(u"chklocked"_s)->setChecked(true); // enables the password
    auto *input = window.findChild<QLineEdit *>(name);
    QVERIFY(input);
    QTest::keyClicks(input, QString(limit + 5, u'x'));
    QCOMPARE(input->text().size(), limit);
}

void TestHostWindow::tabsAreCaptionedInOrder()
{
    HostWindow window;
    const QStringList expected{
        u"Chatroom"_s, u" Tourney Settings"_s, u"Chat Settings"_s, u"IP Monitor"_s, u"Debug"_s};
    QCOMPARE(window.tabs()->count(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(window.tabs()->tabText(i), expected[i]);
    QCOMPARE(window.tabs()->currentIndex(), 0);
}

void TestHostWindow::menuItemsSwitchTabs_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<HostWindow::Tab>("tab");
    QTest::newRow("View Chat") << u"mnuViewChat"_s << HostWindow::ChatroomPage;
    QTest::newRow("Tournament Settings") << u"mnuTsettings"_s << HostWindow::TourneySettingsPage;
    QTest::newRow("Chat Settings") << u"mnuSettings"_s << HostWindow::ChatSettingsPage;
    QTest::newRow("View IP Monitor") << u"mnuViewIP"_s << HostWindow::IpMonitorPage;
    QTest::newRow("View Debug") << u"mnuViewDebug"_s << HostWindow::DebugPage;
}

void TestHostWindow::menuItemsSwitchTabs()
{
    QFETCH(QString, item);
    QFETCH(HostWindow::Tab, tab);

    HostWindow window;
    // Start from a different tab, so staying put cannot pass.
    window.tabs()->setCurrentIndex(
        tab == HostWindow::ChatSettingsPage ? HostWindow::DebugPage : HostWindow::ChatSettingsPage);
    window.findChild<QAction *>(item)->trigger();
    QCOMPARE(window.tabs()->currentIndex(), int(tab));
}

void TestHostWindow::listColumnsAreCaptioned()
{
    HostWindow window;
    const auto captions = [&](const QString &name) {
        QTreeWidgetItem *header = window.findChild<QTreeWidget *>(name)->headerItem();
        QStringList texts;
        for (int c = 0; c < header->columnCount(); ++c)
            texts << header->text(c);
        return texts;
    };
    QCOMPARE(captions(u"ListView1"_s),
        QStringList({u"Player Name"_s, u"IP Address"_s, u"ID"_s, u"Socket"_s, u"State"_s}));
    QCOMPARE(captions(u"ListView2"_s),
        QStringList(
            {u"Player Name"_s, u"IP Address"_s, u"Time Banned"_s, u"Expires"_s, u"Reason"_s}));
}

void TestHostWindow::serverChoiceOffersBothServers()
{
    HostWindow window;
    QComboBox *server = window.chatroomTab()->serverChoice();
    QCOMPARE(server->count(), 2);
    QCOMPARE(server->itemText(0), u"Glenmora Net"_s);
    QCOMPARE(server->itemText(1), u"ViraruRor"_s);
    QCOMPARE(server->currentIndex(), 0);
}

void TestHostWindow::keyboardFocusStartsInTheInputLine()
{
    HostWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), window.chatroomTab()->inputLine());
}

// Ctrl+Tab goes to whichever control has the focus, a drop-down list on the tournament tab
// among them; every tab must turn the page, forwards and back.
void TestHostWindow::controlTabWalksEveryTab()
{
    HostWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const int count = window.tabs()->count();
    const auto press = [&](Qt::KeyboardModifiers modifiers) {
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &window, Qt::Key_Tab, modifiers);
    };
    for (int step = 1; step <= count; ++step) {
        press(Qt::ControlModifier);
        QCOMPARE(window.tabs()->currentIndex(), step % count);
    }
    press(Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(window.tabs()->currentIndex(), count - 1);
}

void TestHostWindow::enterInTheInputLineIsSignalled()
{
    HostWindow window;
    QSignalSpy submitted(window.chatroomTab(), &ChatroomTab::inputSubmitted);
    QLineEdit *input = window.chatroomTab()->inputLine();
    QTest::keyClicks(input, u"hello"_s);
    QCOMPARE(submitted.count(), 0);
    QTest::keyClick(input, Qt::Key_Return);
    QTest::keyClick(input, Qt::Key_Enter);
    QCOMPARE(submitted.count(), 2);
    QCOMPARE(input->text(), u"hello"_s); // emptying the line is the handler's business
}

void TestHostWindow::loggingMenuItemAndCheckBoxStayInStep()
{
    HostWindow window;
    QAction *menuItem = window.menuItem(HostWindow::LoggingItem);
    QCheckBox *box = window.chatSettingsTab()->logBox(0);
    QSignalSpy boxToggles(box, &QCheckBox::toggled);
    QVERIFY(!menuItem->isChecked());
    QVERIFY(!box->isChecked());

    menuItem->trigger();
    QVERIFY(box->isChecked());
    QCOMPARE(boxToggles.count(), 1); // the store hears of it exactly once

    box->click();
    QVERIFY(!menuItem->isChecked());
    QVERIFY(!box->isChecked());
    QCOMPARE(boxToggles.count(), 2);

    // Another logging box leaves the master switch alone.
    window.chatSettingsTab()->logBox(1)->click();
    QVERIFY(!menuItem->isChecked());
}

void TestHostWindow::lockedBoxEnablesThePassword()
{
    HostWindow window;
    QLineEdit *password = window.chatroomTab()->passwordInput();
    QCheckBox *locked = window.chatroomTab()->lockedBox();
    QVERIFY(!password->isEnabled());
    locked->click();
    QVERIFY(password->isEnabled());
    locked->setChecked(false); // as start-up restores it
    QVERIFY(!password->isEnabled());
}

void TestHostWindow::roomInputsFreezeTogether()
{
    HostWindow window;
    ChatroomTab *tab = window.chatroomTab();
    const QList<QWidget *> inputs{tab->serverChoice(), tab->playerNameInput(), tab->roomNameInput(),
        tab->lockedBox(), tab->passwordInput()};
    tab->setRoomInputsEnabled(false);
    for (QWidget *input : inputs)
        QVERIFY2(!input->isEnabled(), qPrintable(input->objectName()));
    // After a room closes the password box is open again, locked or not.
    tab->setRoomInputsEnabled(true);
    for (QWidget *input : inputs)
        QVERIFY2(input->isEnabled(), qPrintable(input->objectName()));
    QVERIFY(tab->hostButton()->isEnabled());
}

void TestHostWindow::passwordBoxAtStartUpAndAfterAFailedStart()
{
    QTemporaryDir dir;
    QFile ladders(dir.filePath(u"ladders.ini"_s));
    QVERIFY(ladders.open(QIODevice::WriteOnly));
    ladders.write("Alpha|alp|3\r\n");
    ladders.close();
    QTcpServer refusing; // a lobby port on which nothing listens once it is closed again
    QVERIFY(refusing.listen(QHostAddress::LocalHost));
    HostOptions options;
    options.dataDir = dir.path();
    // Only the names, which hosting needs: not locked.
    QFile settings(dir.filePath(u"settings.ini"_s));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[SOFTWARE\\TavixChat]\r\npName=Ann\r\ncName=Golf\r\n");
    settings.close();
    options.settingsFile = settings.fileName();
    options.network.lobbyHost = u"127.0.0.1"_s;
    options.network.lobbyPort = refusing.serverPort();
    options.network.chatPort = 0;
    refusing.close();
    HostCore core(options);
    HostCore::Timing timing;
    timing.addChatTimeoutMs = 300;
    core.setTiming(timing);
    QVERIFY(core.start());
    HostWindow window;
    HostWindowController controller(core, window);
    controller.showRestoredState();

    ChatroomTab *tab = window.chatroomTab();
    QLineEdit *password = tab->passwordInput();
    QVERIFY(!tab->lockedBox()->isChecked());
    QVERIFY(!password->isEnabled());
    QTest::keyClicks(password, u"pw"_s);
    QCOMPARE(core.identity().password(), QString());

    // After a failed start the box is open, locked or not, until the check mark is clicked.
    tab->hostButton()->click();
    QVERIFY(!password->isEnabled());
    QVERIFY(waitUntil([&] { return core.hosting() == HostCore::Hosting::Idle; }, 5000));
    QVERIFY(password->isEnabled());
    QTest::keyClicks(password, u"pw"_s);
    QCOMPARE(core.identity().password(), u"pw"_s);
    tab->lockedBox()->click();
    QVERIFY(password->isEnabled());
    tab->lockedBox()->click();
    QVERIFY(!password->isEnabled());
}

void TestHostWindow::debugListKeepsTheNewestLines()
{
    HostWindow window;
    DebugTab *tab = window.debugTab();
    for (int n = 0; n < DebugTab::LinesKept + 5; ++n)
        tab->appendLine(u"line %1"_s.arg(n));
    QListWidget *list = tab->debugList();
    QCOMPARE(list->count(), DebugTab::LinesKept);
    QCOMPARE(list->item(0)->text(), u"line 5"_s);
    QCOMPARE(list->item(list->count() - 1)->text(), u"line %1"_s.arg(DebugTab::LinesKept + 4));
}

void TestHostWindow::holesColumnTakesNewChoicesInEveryRow()
{
    HostWindow window;
    TourneySettingsTab *tab = window.tourneySettingsTab();
    tab->setHolesChoices({u"1"_s, u"2"_s});
    tab->holesChoice(3)->setCurrentIndex(1);
    const QStringList amounts{u"$5,000"_s, u"$10,000"_s, u"$15,000"_s};
    tab->setHolesChoices(amounts);
    tab->setHolesCaption(u"Amount"_s);
    for (int row = 0; row <= TourneySettingsTab::AllRoundsRow; ++row) {
        QComboBox *box = tab->holesChoice(row);
        QCOMPARE(box->count(), amounts.size());
        QCOMPARE(box->itemText(0), amounts.first());
        QCOMPARE(box->currentText(), QString()); // the old choice no longer applies
    }
    QCOMPARE(tab->holesCaption(), u"Amount"_s);
    QCOMPARE(tab->detailChoice(2)->itemText(0), u"Single Elimination"_s);
    QCOMPARE(tab->typeChoice()->currentText(), QString());
}

void TestHostWindow::pickersReportOnlyConfirmedChoices()
{
    HostWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ChatSettingsTab *tab = window.chatSettingsTab();
    QSignalSpy colours(tab, &ChatSettingsTab::colourChosen);
    QSignalSpy fonts(tab, &ChatSettingsTab::fontChosen);

    tab->colourSwatch(5)->click();
    QVERIFY(tab->colourPicker()->isVisible());
    tab->colourPicker()->setCurrentColor(QColor(0, 255, 0));
    tab->colourPicker()->accept();
    QCOMPARE(colours.count(), 1);
    QCOMPARE(colours.at(0).at(0).toInt(), 5);
    QCOMPARE(colours.at(0).at(1).value<quint32>(), quint32(65280));
    QCOMPARE(tab->colourSwatch(5)->colour(), quint32(65280));

    // A cancelled picker leaves the swatch as it was.
    tab->colourSwatch(2)->click();
    tab->colourPicker()->setCurrentColor(QColor(255, 0, 0));
    tab->colourPicker()->reject();
    QCOMPARE(colours.count(), 1);
    QCOMPARE(tab->colourSwatch(2)->colour(), ChatStyle::rgb(255, 255, 255));

    QTest::mouseDClick(tab->fontLabel(3), Qt::LeftButton);
    QVERIFY(tab->fontPicker()->isVisible());
    tab->fontPicker()->reject();
    QCOMPARE(fonts.count(), 0);
    QTest::mouseDClick(tab->fontLabel(3), Qt::LeftButton);
    tab->fontPicker()->accept();
    QCOMPARE(fonts.count(), 1);
    QCOMPARE(fonts.at(0).at(0).toInt(), 3);
}

QTEST_MAIN(TestHostWindow)
#include "tst_HostWindow.moc"
