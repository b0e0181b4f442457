#include "tournament/Ladders.h"

#include "text/AnsiText.h"

#include <QFile>

QList<LadderEntry> parseLadders(QByteArrayView fileText)
{
    QList<LadderEntry> ladders;
    const QString text = AnsiText::decode(fileText);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.startsWith(u'\''))
            continue;
        const auto fields = line.split(u'|');
        if (fields.size() < 3)
            continue;
        ladders.append({fields[0].toString(), fields[1].toString(), fields[2].toString()});
    }
    return ladders;
}

std::optional<QList<LadderEntry>> loadLadders(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseLadders(file.readAll());
}
