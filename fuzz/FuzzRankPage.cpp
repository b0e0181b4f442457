#include "tournament/RankPageParser.h"

#include "text/AnsiText.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    parseRankPage(AnsiText::decode(QByteArrayView(data, qsizetype(size))));
    return 0;
}
