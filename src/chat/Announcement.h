#pragma once

#include <QString>

#include <optional>

// The Announce menu's items: what the bot tells every player at once.
enum class Announcement { All, Details, Rules, Rounds, Pairings };

// The items as front ends name them: "all", "details", "rules", "rounds", "pairings".
std::optional<Announcement> announcementNamed(const QString &name);
