#include "RoomParts.h"

#include <QLocale>

using namespace Qt::StringLiterals;

RoomParts::RoomParts(ChatLog::Clock clock)
    : log(dir.path(), QLocale(u"en_US"_s), std::move(clock))
{
}
