#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"
#include "host/HostIdentity.h"
#include "host/StoredValueEditor.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "support/ScratchFolder.h"
#include "window/ChatSettingsBinder.h"
#include "window/ChatSettingsTab.h"
#include "window/ColourSwatch.h"
#include "window/FontLabel.h"
#include "window/HostWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFontDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The window's Chat Settings tab and its Enable Logging menu item over real options, styles and
// identity, stored in a settings file.
struct Fixture
{
    explicit Fixture(const QString &path)
        : store(path)
    {
    }

    void restore()
    {
        options.restore();
        styles.restore();
        identity.restore();
    }
    void bind()
    {
        binder = std::make_unique<ChatSettingsBinder>(options, styles, identity, editor, *tab);
    }
    QString option(const QString &valueName) const
    {
        return store.readRegValue(SettingsKeys::Options, valueName);
    }

    SettingsStore store;
    ChatOptions options{store};
    ChatStyles styles{store};
    HostIdentity identity{store};
    StoredValueEditor editor{store, identity, options, styles};
    HostWindow window;
    ChatSettingsTab *tab = window.chatSettingsTab();
    std::unique_ptr<ChatSettingsBinder> binder;
};

void storeSettings(const QString &path)
{
    SettingsStore store(path);
    store.writeRegValue(SettingsKeys::Options, u"cOptions 1"_s, u"1"_s);
    store.writeRegValue(SettingsKeys::Options, u"cLogs 0"_s, u"1"_s);
    store.writeRegValue(SettingsKeys::Options, u"cLogs 3"_s, u"1"_s);
    store.writeRegValue(SettingsKeys::Root, u"cWelcomeMsg"_s, u"Welcome to the Sunday Cup"_s);
    store.writeRegValue(
        SettingsKeys::Colors, u"bColor"_s, QString::number(ChatStyle::rgb(0, 0, 96)));
    store.writeRegValue(SettingsKeys::Colors, u"sColor"_s, u"65280"_s);
    store.writeRegValue(SettingsKeys::Fonts, u"cFont"_s, u"Serif"_s);
    store.writeRegValue(SettingsKeys::Fonts, u"cFontItalic"_s, u"True"_s);
    store.writeRegValue(SettingsKeys::Fonts, u"cFontSize"_s, u"13"_s);
}

QColor textColourOf(const QWidget *widget)
{
    return widget->palette().color(QPalette::WindowText);
}

// The colour of the run that holds the given text in the sample box.
QColor sampleColourOf(const QTextEdit *sample, const QString &text)
{
    const QString all = sample->toPlainText();
    const qsizetype at = all.indexOf(text);
    if (at < 0)
        return {};
    QTextCursor cursor(sample->document());
    cursor.setPosition(int(at) + 1);
    return cursor.charFormat().foreground().color();
}

} // namespace

class TestChatSettingsBinder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoredSettingsAreShownWithoutBeingWrittenBack();
    void everyCheckBoxStoresItsOption_data();
    void everyCheckBoxStoresItsOption();
    void loggingMenuItemCheckBoxAndStoreAgree();
    void welcomeIsStoredOnEveryKeystroke();
    void chosenColourIsStoredAndPreviewed();
    void chosenFontIsStoredAndPreviewed();
    void cancelledPickersChangeNothing();

private:
    QString freshPath(const QString &name) const { return m_files.freshPath(name); }
    ScratchFolder m_files;
};

void TestChatSettingsBinder::restoredSettingsAreShownWithoutBeingWrittenBack()
{
    const QString path = freshPath(u"restored.ini"_s);
    storeSettings(path);
    Fixture f(path);
    QVERIFY(QFile::remove(path)); // a write-back would bring it back
    f.bind();
    f.restore();

    QVERIFY(!f.tab->optionBox(0)->isChecked());
    QVERIFY(f.tab->optionBox(1)->isChecked());
    const QList<bool> logs{true, false, false, true, false};
    for (int i = 0; i < ChatSettingsTab::LogCount; ++i)
        QCOMPARE(f.tab->logBox(i)->isChecked(), logs[i]);
    QVERIFY(f.window.menuItem(HostWindow::LoggingItem)->isChecked());
    QCOMPARE(f.tab->welcomeInput()->text(), u"Welcome to the Sunday Cup"_s);

    QCOMPARE(f.tab->colourSwatch(0)->colour(), ChatStyle::rgb(0, 0, 96));
    QCOMPARE(f.tab->colourSwatch(5)->colour(), quint32(65280));
    const QFont chatFont = f.tab->fontLabel(1)->font();
    QVERIFY(chatFont.italic());
    QCOMPARE(chatFont.pointSizeF(), 13.0);
    QCOMPARE(textColourOf(f.tab->fontLabel(4)), QColor(0, 255, 0));
    QCOMPARE(f.tab->fontLabel(4)->palette().color(QPalette::Window), QColor(0, 0, 96));
    // The sample shows a line of every kind in the restored styles before any choice.
    QCOMPARE(f.tab->sampleBox()->toPlainText().count(u'\n'), 5);
    QCOMPARE(sampleColourOf(f.tab->sampleBox(), u"System Messages"_s), QColor(0, 255, 0));
    QCOMPARE(sampleColourOf(f.tab->sampleBox(), u"Bot Answers"_s), QColor(0, 255, 0));
    QCOMPARE(f.tab->sampleBox()->palette().color(QPalette::Base), QColor(0, 0, 96));
    QVERIFY(!QFile::exists(path));
}

void TestChatSettingsBinder::everyCheckBoxStoresItsOption_data()
{
    QTest::addColumn<bool>("isLogBox");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("valueName");
    for (int i = 0; i < ChatSettingsTab::OptionCount; ++i) {
        const QString name = u"cOptions "_s + QString::number(i);
        QTest::newRow(qPrintable(name)) << false << i << name;
    }
    for (int i = 0; i < ChatSettingsTab::LogCount; ++i) {
        const QString name = u"cLogs "_s + QString::number(i);
        QTest::newRow(qPrintable(name)) << true << i << name;
    }
}

void TestChatSettingsBinder::everyCheckBoxStoresItsOption()
{
    QFETCH(bool, isLogBox);
    QFETCH(int, index);
    QFETCH(QString, valueName);
    Fixture f(freshPath(u"boxes.ini"_s));
    f.bind();
    QCheckBox *box = isLogBox ? f.tab->logBox(index) : f.tab->optionBox(index);
    const auto modelSays
        = [&] { return isLogBox ? f.options.logOption(index) : f.options.option(index); };
    box->click();
    QCOMPARE(f.option(valueName), u"1"_s);
    QVERIFY(modelSays());
    box->click();
    QCOMPARE(f.option(valueName), u"0"_s);
    QVERIFY(!modelSays());
}

void TestChatSettingsBinder::loggingMenuItemCheckBoxAndStoreAgree()
{
    Fixture f(freshPath(u"logging.ini"_s));
    f.bind();
    f.restore();
    QAction *menuItem = f.window.menuItem(HostWindow::LoggingItem);
    QCheckBox *box = f.tab->logBox(ChatOptions::EnableLogging);
    QVERIFY(!menuItem->isChecked());

    menuItem->trigger();
    QVERIFY(box->isChecked());
    QVERIFY(f.options.loggingEnabled());
    QCOMPARE(f.option(u"cLogs 0"_s), u"1"_s);

    box->click();
    QVERIFY(!menuItem->isChecked());
    QVERIFY(!f.options.loggingEnabled());
    QCOMPARE(f.option(u"cLogs 0"_s), u"0"_s);

    // A change that does not come from the view shows in both.
    f.options.setLogOption(ChatOptions::EnableLogging, true);
    QVERIFY(box->isChecked());
    QVERIFY(menuItem->isChecked());
}

void TestChatSettingsBinder::welcomeIsStoredOnEveryKeystroke()
{
    Fixture f(freshPath(u"welcome.ini"_s));
    f.bind();
    QTest::keyClicks(f.tab->welcomeInput(), u"Hi"_s);
    QCOMPARE(f.store.readRegValue(SettingsKeys::Root, u"cWelcomeMsg"_s), u"Hi"_s);
    QCOMPARE(f.identity.welcomeMessage(), u"Hi"_s);
    QTest::keyClick(f.tab->welcomeInput(), Qt::Key_Backspace);
    QCOMPARE(f.store.readRegValue(SettingsKeys::Root, u"cWelcomeMsg"_s), u"H"_s);
}

void TestChatSettingsBinder::chosenColourIsStoredAndPreviewed()
{
    Fixture f(freshPath(u"colour.ini"_s));
    f.bind();
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));

    f.tab->colourSwatch(ChatStyles::SystemColour)->click();
    f.tab->colourPicker()->setCurrentColor(QColor(0, 255, 0));
    f.tab->colourPicker()->accept();
    QCOMPARE(f.store.readRegValue(SettingsKeys::Colors, u"sColor"_s), u"65280"_s);
    QCOMPARE(f.styles.colour(ChatStyles::SystemColour), quint32(65280));
    QCOMPARE(sampleColourOf(f.tab->sampleBox(), u"System Messages"_s), QColor(0, 255, 0));
    QCOMPARE(sampleColourOf(f.tab->sampleBox(), u"System: "_s), QColor(255, 255, 0));
    QCOMPARE(textColourOf(f.tab->fontLabel(ChatStyles::SystemFont)), QColor(0, 255, 0));

    // A new background reaches the sample and the labels at once.
    f.tab->colourSwatch(ChatStyles::BackgroundColour)->click();
    f.tab->colourPicker()->setCurrentColor(QColor(0, 0, 128));
    f.tab->colourPicker()->accept();
    QCOMPARE(f.store.readRegValue(SettingsKeys::Colors, u"bColor"_s),
        QString::number(ChatStyle::rgb(0, 0, 128)));
    QCOMPARE(f.tab->sampleBox()->palette().color(QPalette::Base), QColor(0, 0, 128));
    for (FontLabel *label : f.tab->fontLabels())
        QCOMPARE(label->palette().color(QPalette::Window), QColor(0, 0, 128));
}

void TestChatSettingsBinder::chosenFontIsStoredAndPreviewed()
{
    Fixture f(freshPath(u"font.ini"_s));
    f.bind();
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const auto font
        = [&](const QString &name) { return f.store.readRegValue(SettingsKeys::Fonts, name); };

    // Through the picker: whatever it confirms is stored as it confirmed it.
    QTest::mouseDClick(f.tab->fontLabel(ChatStyles::SystemFont), Qt::LeftButton);
    f.tab->fontPicker()->accept();
    const QFont picked = f.tab->fontPicker()->selectedFont();
    QCOMPARE(font(u"sFont"_s), picked.family());
    QCOMPARE(font(u"sFontBold"_s), picked.bold() ? u"True"_s : u"False"_s);
    QCOMPARE(font(u"sFontSize"_s).toDouble(), picked.pointSizeF());
    QVERIFY(f.tab->sampleBox()->toPlainText().contains(u"System: System Messages"_s));

    // A bold 12-point font for whispers sent (the offscreen picker offers no bold faces).
    QFont bold(picked.family());
    bold.setBold(true);
    bold.setPointSizeF(12);
    Q_EMIT f.tab->fontChosen(ChatStyles::WhisperToFont, bold);
    QCOMPARE(font(u"wtFont"_s), picked.family());
    QCOMPARE(font(u"wtFontBold"_s), u"True"_s);
    QCOMPARE(font(u"wtFontItalic"_s), u"False"_s);
    QCOMPARE(font(u"wtFontSize"_s), u"12"_s);
    QVERIFY(f.styles.font(ChatStyles::WhisperToFont).bold);
    QVERIFY(f.tab->fontLabel(ChatStyles::WhisperToFont)->font().bold());
    QVERIFY(f.tab->sampleBox()->toPlainText().contains(u"<To> Player: Whisper To Chat"_s));
}

void TestChatSettingsBinder::cancelledPickersChangeNothing()
{
    const QString path = freshPath(u"cancel.ini"_s);
    Fixture f(path);
    f.bind();
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));

    const QString sampleBefore = f.tab->sampleBox()->toHtml();
    f.tab->colourSwatch(ChatStyles::GeneralChatColour)->click();
    f.tab->colourPicker()->setCurrentColor(QColor(255, 0, 0));
    f.tab->colourPicker()->reject();
    QTest::mouseDClick(f.tab->fontLabel(ChatStyles::GeneralChatFont), Qt::LeftButton);
    f.tab->fontPicker()->reject();

    QCOMPARE(f.styles.colour(ChatStyles::GeneralChatColour), ChatStyle::rgb(255, 255, 255));
    QCOMPARE(f.tab->colourSwatch(ChatStyles::GeneralChatColour)->colour(),
        ChatStyle::rgb(255, 255, 255));
    QVERIFY(f.styles.font(ChatStyles::GeneralChatFont).name.isEmpty());
    QCOMPARE(f.tab->sampleBox()->toHtml(), sampleBefore);
    QVERIFY(!QFile::exists(path)); // nothing was stored at all
}

QTEST_MAIN(TestChatSettingsBinder)
#include "tst_ChatSettingsBinder.moc"
