#include "settings/SettingsStore.h"
#include "text/AnsiText.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

// Any file must be read without harm. Any text the operator can type must come back unchanged
// from the file it was saved to: otherwise a setting would change by merely being saved.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    SettingsStore::parse(bytes);

    const QString typed = AnsiText::decode(bytes);
    SettingsStore::Values values;
    values[SettingsKeys::Root][u"tDetails"_s] = AnsiText::decode(AnsiText::encode(typed));
    values[SettingsKeys::Options][u"cCourse 1"_s] = u"Pine Creek"_s;
    bool wellFormed = false;
    if (SettingsStore::parse(SettingsStore::serialize(values), &wellFormed) != values
        || !wellFormed)
        std::abort();
    return 0;
}
