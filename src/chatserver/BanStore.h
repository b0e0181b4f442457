#pragma once

#include "chatserver/BanList.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class SettingsStore;

// Keeps the ban list in the settings file, one value per ban under SOFTWARE\TavixChat\Bans
// ("Ban 1", "Ban 2", ... in list order), written through on every change:
//
//   Ban 1=203.0.113.0/24|2026-05-01T20:15:00Z|2026-05-08T20:15:00Z|Slicer|flooding the room
//
// Fields: address or range, when made and when it ends (UTC; the end is empty for a permanent
// ban), the player's name and the reason. "|" and "%" inside the name and the reason are
// written as %7C and %25.
class BanStore : public QObject
{
    Q_OBJECT

public:
    BanStore(SettingsStore &store, BanList &bans, QObject *parent = nullptr);

    // Start-up: fills the list from the stored values and from then on writes every change.
    // Returns one message naming the stored entries that cannot be read (they are skipped, and
    // kept in the file as they are so they can be mended by hand), or "" when all could be read.
    QString restore();

    static QString encode(const BanList::Row &row);
    static std::optional<BanList::Row> decode(const QString &text);

private:
    void save();

    SettingsStore &m_store;
    BanList &m_bans;
    QStringList m_unreadable; // stored texts that could not be read, kept as they were
};
