#include "chat/ChatOptions.h"

#include "settings/SettingsStore.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString kOptionBaseName = u"cOptions"_s;
const QString kLogOptionBaseName = u"cLogs"_s;

// "cOptions 0", "cLogs 3": the base name, a blank and the index.
QString valueName(const QString &baseName, int index)
{
    return baseName + u' ' + QString::number(index);
}

template <std::size_t N>
bool restoreAll(std::array<bool, N> &states, const SettingsStore &store, const QString &baseName)
{
    bool anyChanged = false;
    for (std::size_t i = 0; i < N; ++i) {
        bool isNumber = false;
        const int value = store.readRegValue(SettingsKeys::Options, valueName(baseName, int(i)))
                              .trimmed()
                              .toInt(&isNumber);
        const bool on = isNumber && value == 1;
        anyChanged |= std::exchange(states[i], on) != on;
    }
    return anyChanged;
}

template <std::size_t N> bool inRange(const std::array<bool, N> &, int index)
{
    return index >= 0 && std::size_t(index) < N;
}

} // namespace

ChatOptions::ChatOptions(SettingsStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
}

void ChatOptions::restore()
{
    const bool optionsChanged = restoreAll(m_options, m_store, kOptionBaseName);
    const bool logOptionsChanged = restoreAll(m_logOptions, m_store, kLogOptionBaseName);
    if (optionsChanged || logOptionsChanged)
        Q_EMIT changed();
}

void ChatOptions::setOption(int index, bool on)
{
    set(m_options, index, kOptionBaseName, on);
}

void ChatOptions::setLogOption(int index, bool on)
{
    set(m_logOptions, index, kLogOptionBaseName, on);
}

template <std::size_t N>
void ChatOptions::set(std::array<bool, N> &states, int index, const QString &baseName, bool on)
{
    if (!inRange(states, index))
        return;
    m_store.writeRegValue(SettingsKeys::Options, valueName(baseName, index), on ? u"1"_s : u"0"_s);
    if (std::exchange(states[index], on) != on)
        Q_EMIT changed();
}

bool ChatOptions::option(int index) const
{
    return inRange(m_options, index) && m_options[index];
}

bool ChatOptions::logOption(int index) const
{
    return inRange(m_logOptions, index) && m_logOptions[index];
}

bool ChatOptions::logsCategory(LogOption category) const
{
    return logOption(EnableLogging) && logOption(category);
}

QString ChatOptions::optionCaption(int index)
{
    static const std::array<const char16_t *, OptionCount> captions
        = {u"Echo Bot Commands", u"Display System Messages", u"Announce New Pairings"};
    return index >= 0 && index < OptionCount ? QString::fromUtf16(captions[index]) : QString();
}

QString ChatOptions::logOptionCaption(int index)
{
    static const std::array<const char16_t *, LogOptionCount> captions = {u"Enable Logging",
        u"Log Chat", u"Log Player Events", u"Log System Events", u"Log Debug Events"};
    return index >= 0 && index < LogOptionCount ? QString::fromUtf16(captions[index]) : QString();
}
