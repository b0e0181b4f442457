#include "tournament/StandingsParser.h"

#include "text/AnsiText.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

// The report page arrives as bytes and is read as Windows-1252 text, as the service does.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString page = AnsiText::decode(QByteArrayView(data, qsizetype(size)));
    parseStandings(page);
    parseDEStandings(page);
    return 0;
}
