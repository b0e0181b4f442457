#include "ChooseEntry.h"
#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"
#include "host/HostIdentity.h"
#include "host/StoredValueEditor.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "support/ScratchFolder.h"
#include "window/ChatroomTab.h"
#include "window/IdentityBinder.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The Chatroom tab's room inputs over a real identity and a settings file.
struct Fixture
{
    explicit Fixture(const QString &path)
        : store(std::make_unique<SettingsStore>(path))
        , identity(*store)
        , options(*store)
        , styles(*store)
        , editor(*store, identity, options, styles)
    {
    }

    QString stored(const QString &valueName) const
    {
        return store->readRegValue(SettingsKeys::Root, valueName);
    }

    std::unique_ptr<SettingsStore> store;
    HostIdentity identity;
    ChatOptions options;
    ChatStyles styles;
    StoredValueEditor editor;
    ChatroomTab view;
};

void storeIdentity(const QString &path, bool locked)
{
    SettingsStore store(path);
    store.writeRegValue(SettingsKeys::Root, u"cServer"_s, u"ViraruRor"_s);
    store.writeRegValue(SettingsKeys::Root, u"pName"_s, u"Host"_s);
    store.writeRegValue(SettingsKeys::Root, u"cName"_s, u"Sunday Cup"_s);
    store.writeRegValue(SettingsKeys::Root, u"cPass"_s, u"secret"_s);
    store.writeRegValue(SettingsKeys::Root, u"cLocked"_s, locked ? u"1"_s : u"0"_s);
}

} // namespace

class TestIdentityBinder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoredValuesAreShownWithoutBeingWrittenBack_data();
    void restoredValuesAreShownWithoutBeingWrittenBack();
    void firstStartShowsTheFirstServerAndNoPassword();
    void typingIsStoredOnEveryKeystroke();
    void serverChoiceAndLockAreStored();

private:
    ScratchFolder m_files;
};

void TestIdentityBinder::restoredValuesAreShownWithoutBeingWrittenBack_data()
{
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("bindBeforeRestore");
    QTest::newRow("locked, bound first") << true << true;
    QTest::newRow("locked, restored first") << true << false;
    QTest::newRow("open, bound first") << false << true;
}

void TestIdentityBinder::restoredValuesAreShownWithoutBeingWrittenBack()
{
    QFETCH(bool, locked);
    QFETCH(bool, bindBeforeRestore);
    const QString path = m_files.freshPath(u"shown.ini"_s);
    storeIdentity(path, locked);

    Fixture f(path);
    // Showing is not editing: were a shown value written back, the file would come back.
    QVERIFY(QFile::remove(path));
    std::unique_ptr<IdentityBinder> binder;
    if (bindBeforeRestore)
        binder = std::make_unique<IdentityBinder>(f.identity, f.editor, f.view);
    f.identity.restore();
    if (!bindBeforeRestore)
        binder = std::make_unique<IdentityBinder>(f.identity, f.editor, f.view);

    QCOMPARE(f.view.serverChoice()->currentText(), u"ViraruRor"_s);
    QCOMPARE(f.view.playerNameInput()->text(), u"Host"_s);
    QCOMPARE(f.view.roomNameInput()->text(), u"Sunday Cup"_s);
    // A shown value reads from its start: in the narrow box its end alone would be cut.
    QCOMPARE(f.view.roomNameInput()->cursorPosition(), 0);
    QCOMPARE(f.view.passwordInput()->text(), u"secret"_s);
    QCOMPARE(f.view.lockedBox()->isChecked(), locked);
    QCOMPARE(f.view.passwordInput()->isEnabled(), locked);
    QVERIFY(!QFile::exists(path));
}

void TestIdentityBinder::firstStartShowsTheFirstServerAndNoPassword()
{
    Fixture f{QString()};
    IdentityBinder binder(f.identity, f.editor, f.view);
    f.identity.restore();
    QCOMPARE(f.view.serverChoice()->count(), 2);
    QCOMPARE(f.view.serverChoice()->currentText(), u"Glenmora Net"_s);
    QVERIFY(f.view.playerNameInput()->text().isEmpty());
    QVERIFY(!f.view.lockedBox()->isChecked());
    QVERIFY(!f.view.passwordInput()->isEnabled());
}

void TestIdentityBinder::typingIsStoredOnEveryKeystroke()
{
    Fixture f(m_files.freshPath(u"typing.ini"_s));
    IdentityBinder binder(f.identity, f.editor, f.view);
    QLineEdit *room = f.view.roomNameInput();
    const QString typed = u"Cup"_s;
    for (qsizetype n = 1; n <= typed.size(); ++n) {
        QTest::keyClick(room, typed.at(n - 1).toLatin1());
        QCOMPARE(f.stored(u"cName"_s), typed.left(n));
    }
    // An edit in the middle keeps the cursor where the operator is typing.
    room->setCursorPosition(1);
    QTest::keyClick(room, 'x');
    QCOMPARE(f.stored(u"cName"_s), u"Cxup"_s);
    QCOMPARE(room->cursorPosition(), 2);

    QTest::keyClicks(f.view.playerNameInput(), u"Host"_s);
    QCOMPARE(f.stored(u"pName"_s), u"Host"_s);
    QCOMPARE(f.identity.operatorName(), u"Host"_s);
    f.view.lockedBox()->click();
    QTest::keyClicks(f.view.passwordInput(), u"pw"_s);
    QCOMPARE(f.stored(u"cPass"_s), u"pw"_s);
}

void TestIdentityBinder::serverChoiceAndLockAreStored()
{
    Fixture f(m_files.freshPath(u"choice.ini"_s));
    IdentityBinder binder(f.identity, f.editor, f.view);
    chooseEntry(*f.view.serverChoice(), u"ViraruRor"_s);
    QCOMPARE(f.stored(u"cServer"_s), u"ViraruRor"_s);
    QCOMPARE(f.identity.server(), u"ViraruRor"_s);

    f.view.lockedBox()->click();
    QCOMPARE(f.stored(u"cLocked"_s), u"1"_s);
    QVERIFY(f.view.passwordInput()->isEnabled());
    f.view.lockedBox()->click();
    QCOMPARE(f.stored(u"cLocked"_s), u"0"_s);
    QVERIFY(!f.view.passwordInput()->isEnabled());
    QVERIFY(!f.identity.locked());
}

QTEST_MAIN(TestIdentityBinder)
#include "tst_IdentityBinder.moc"
