// The ban store's entries and the ban terms as the operator types them: any text as a stored
// ban, as a duration, as "[DURATION] [REASON]" and as an address or range to ban.
//
// A stored entry read must be written back to a text that reads the same; a duration read lies
// within its bounds and reads the same from its own written form; an address or range taken is
// taken again in its written form, and a ban on it refuses that address.

#include "chatserver/BanDuration.h"
#include "chatserver/BanList.h"
#include "chatserver/BanStore.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdint>
#include <cstdlib>

using namespace std::chrono_literals;

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Times are stored to the second; a hand-written fraction is not kept, which moves an end by
// less than a second.
bool sameTime(const QDateTime &a, const QDateTime &b)
{
    return a.isValid() == b.isValid() && (!a.isValid() || std::abs(a.msecsTo(b)) < 1000);
}

bool sameRow(const BanRow &a, const BanRow &b)
{
    return a.address == b.address && a.playerName == b.playerName && a.reason == b.reason
        && sameTime(a.made, b.made) && sameTime(a.expires, b.expires);
}

void checkDuration(std::optional<std::chrono::seconds> duration)
{
    if (!duration)
        return;
    // Ten years and a few leap days at most.
    require(*duration > 0s && *duration <= std::chrono::days(3660));
    require(BanDuration::parse(BanDuration::format(*duration)) == duration);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    if (const std::optional<BanRow> row = BanStore::decode(text)) {
        const std::optional<BanRow> again = BanStore::decode(BanStore::encode(*row));
        require(again && sameRow(*row, *again));
    }

    checkDuration(BanDuration::parse(text));
    if (const std::optional<BanTerms> terms = BanDuration::parseTerms(text))
        checkDuration(terms->duration);

    const std::optional<QString> target = BanList::canonicalTarget(text);
    if (target)
        require(BanList::canonicalTarget(*target) == target);
    BanList bans;
    require(bans.ban(QString(), text) == target.has_value());
    if (target) {
        const QString first = target->section(u'/', 0, 0);
        require(bans.isBanned(first));
    }
    return 0;
}
