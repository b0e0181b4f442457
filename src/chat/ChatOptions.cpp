#include "chat/ChatOptions.h"

#include "settings/SettingsStore.h"
#include "settings/StoredValues.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace {

template <std::size_t N>
bool restoreAll(std::array<bool, N> &states, const SettingsStore &store, const StoredValue &row)
{
    bool anyChanged = false;
    for (std::size_t i = 0; i < N; ++i) {
        const QString stored = row.read(store, int(i));
        const bool on = ValueCodec::isChecked(stored.isEmpty() ? row.defaultText(int(i)) : stored);
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
    const bool optionsChanged = restoreAll(m_options, m_store, StoredValues::Options);
    const bool logOptionsChanged = restoreAll(m_logOptions, m_store, StoredValues::Logs);
    if (optionsChanged || logOptionsChanged)
        Q_EMIT changed();
}

void ChatOptions::setOption(int index, bool on)
{
    set(m_options, index, StoredValues::Options, on);
}

void ChatOptions::setLogOption(int index, bool on)
{
    set(m_logOptions, index, StoredValues::Logs, on);
}

template <std::size_t N>
void ChatOptions::set(std::array<bool, N> &states, int index, const StoredValue &row, bool on)
{
    if (!inRange(states, index))
        return;
    row.write(m_store, ValueCodec::checkText(on), index);
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
        = {u"Echo Bot Commands", u"Display System Messages", u"Announce New Pairings",
            u"Show Full IPs in +whois", u"Show Joins and Leaves", u"Fast Delivery"};
    return index >= 0 && index < OptionCount ? QString::fromUtf16(captions[index]) : QString();
}

QString ChatOptions::logOptionCaption(int index)
{
    static const std::array<const char16_t *, LogOptionCount> captions = {u"Enable Logging",
        u"Log Chat", u"Log Player Events", u"Log System Events", u"Log Debug Events"};
    return index >= 0 && index < LogOptionCount ? QString::fromUtf16(captions[index]) : QString();
}
