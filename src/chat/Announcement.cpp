#include "chat/Announcement.h"

#include <QHash>

using namespace Qt::StringLiterals;

std::optional<Announcement> announcementNamed(const QString &name)
{
    static const QHash<QString, Announcement> items = {
        {u"all"_s, Announcement::All},
        {u"details"_s, Announcement::Details},
        {u"rules"_s, Announcement::Rules},
        {u"rounds"_s, Announcement::Rounds},
        {u"pairings"_s, Announcement::Pairings},
    };
    const auto item = items.constFind(name);
    return item == items.cend() ? std::nullopt : std::optional(*item);
}
