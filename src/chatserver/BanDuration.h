#pragma once

#include "chatserver/BanRow.h"

#include <QString>

#include <chrono>
#include <optional>

// How long a timed ban lasts, as the operator types it: a whole number and a unit, "s", "m", "h",
// "d" or "w" ("30m", "2h", "7d"). Nothing for any other text, for zero, and for more than ten
// years.
namespace BanDuration {

std::optional<std::chrono::seconds> parse(const QString &text);
// "30m", "2h", "7d": the largest unit that divides the duration.
QString format(std::chrono::seconds duration);

// "[DURATION] [REASON]" after a ban command: a first word that is a duration sets it, the rest is
// the reason. Nothing when the first word is meant as a duration but is none ("0m", "99999d").
std::optional<BanTerms> parseTerms(const QString &text);

} // namespace BanDuration
