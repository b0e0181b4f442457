#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class RegistryStore;

// Every setting is a string value under a key path and a value name; an absent value reads as "".
// Writes go through to the settings file at once, so nothing needs saving at exit. The file is
// Windows-1252 text in sections named after the key paths:
//
//   [SOFTWARE\TavixChat]
//   cCourse 1=Pine Creek
//
// A value runs from the first "=" to the end of the line, leading blanks included; backslashes,
// carriage returns and line feeds inside it are escaped as \\, \r and \n.
//
// On Windows the operator's settings live in the registry instead (RegistryStore), unless a file
// is named: the store at location RegistryStore::CurrentUser keeps the same values under the same
// key paths and names, and everything below holds for it too.
//
// Another program may change the file while this one runs (the panel password is set that way):
// what it changed is taken in, both when the file is seen to change and before every save, so a
// save here never undoes a change made there.
class SettingsStore : public QObject
{
    Q_OBJECT

public:
    // An empty path keeps the values in memory only.
    explicit SettingsStore(const QString &filePath = QString(), QObject *parent = nullptr);
    ~SettingsStore() override;

    // Where the operator's settings are kept when no file is named: the registry on Windows, a
    // file in the per-user configuration folder elsewhere.
    static QString defaultLocation();

    QString readRegValue(const QString &keyPath, const QString &valueName) const;
    void writeRegValue(const QString &keyPath, const QString &valueName, const QString &text);

    // The names of the values under a key path, in no particular order.
    QStringList valueNames(const QString &keyPath) const;
    // Makes the values under a key path exactly these, in one write: for lists whose entries come
    // and go, such as the bans.
    void replaceKey(const QString &keyPath, const QHash<QString, QString> &values);

    QString filePath() const { return m_filePath; }

    // What went wrong while the file was read in the constructor, or "" when nothing did. The
    // constructor runs before anybody can connect to problem(), so the message is kept for the
    // owner to show once the window or console is up.
    QString loadProblem() const { return m_loadProblem; }
    // Whether this start took over the settings of an earlier installation (Windows registry).
    bool tookOverEarlierInstallation() const { return m_tookOver; }

    // The text of the settings file for the given values, and its reading. Both are pure so the
    // reader can be tested and fuzzed without files.
    using Values = QHash<QString, QHash<QString, QString>>;
    static QByteArray serialize(const Values &values);
    static Values parse(QByteArrayView fileText, bool *wellFormed = nullptr);

Q_SIGNALS:
    // The settings cannot be saved. Said once, not on every keystroke; said again only when a save
    // has succeeded in between.
    void problem(const QString &message);
    // Another program changed this value in the file; readRegValue() now gives the new text.
    void changedElsewhere(const QString &keyPath, const QString &valueName);

private:
    void load();
    void save();
    void watchFile();
    // Takes in what changed in the file since it was last read or written here, except values
    // changed here since then, which win.
    void takeOutsideChanges();
    void takeOutsideChanges(const Values &now);
    // Bookkeeping after a save; a failure is reported once.
    void afterSave(bool saved, const QString &reason);

    QString m_filePath;
    Values m_values;
    Values m_onDisk; // the file as last read or written here
    QFileSystemWatcher *m_watcher = nullptr;
    QString m_loadProblem;
    // An existing file that could not be read is never overwritten: the operator's settings in it
    // are worth more than the changes of this run.
    bool m_keepFileUntouched = false;
    bool m_unsaved = false;
    bool m_saveProblemReported = false;
    bool m_tookOver = false;
#ifdef Q_OS_WIN
    std::unique_ptr<RegistryStore> m_registry;
#endif
};
