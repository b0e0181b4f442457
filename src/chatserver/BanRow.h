#pragma once

#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

// One row of the ban list, as the ban list shows and stores it.
struct BanRow
{
    QString playerName;
    QString address; // dotted address, or a range as network/prefix length
    QString timeBanned; // the time of day of the ban, as the ban list shows it
    QDateTime made;
    QDateTime expires; // invalid: permanent
    QString reason;
};

// How long a new ban lasts (none: for good) and why.
struct BanTerms
{
    std::optional<std::chrono::seconds> duration;
    QString reason;
};
