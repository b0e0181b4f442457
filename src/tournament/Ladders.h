#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// One ladder of the league web site, as listed in ladders.ini.
struct LadderEntry
{
    QString name; // shown in the ladder box
    QString path; // the ladder's path on the league web site
    QString server; // picks the tournament host and completes the ranking script's "svr=" value

    friend bool operator==(const LadderEntry &, const LadderEntry &) = default;
};

// ladders.ini is Windows-1252 text, one "name|path|server" line per ladder, in display order.
// Lines starting with "'" are comments; empty lines and lines with fewer than three fields are
// skipped, and fields beyond the third are ignored. Fields are taken as they stand.
QList<LadderEntry> parseLadders(QByteArrayView fileText);

// std::nullopt when the file does not exist or cannot be read: the program cannot run without it.
std::optional<QList<LadderEntry>> loadLadders(const QString &filePath);
