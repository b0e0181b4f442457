#pragma once

#include <QObject>

#include <array>

class SettingsStore;
struct StoredValue;

// The check boxes of the chat settings: six chat options and five logging options. Each change is
// written through to the settings store; the others read the current state at the moment of use.
class ChatOptions : public QObject
{
    Q_OBJECT

public:
    // In the order of the check boxes; each is stored as "cOptions N" at its index.
    enum Option {
        EchoBotCommands,
        DisplaySystemMessages,
        AnnounceNewPairings,
        ShowFullIpsInWhois, // players' +whois shows whole addresses rather than hiding their ends
        ShowJoinsAndLeaves, // on unless stored off
        FastDelivery, // every connection paced on its own clock rather than one shared queue
        OptionCount
    };
    enum LogOption {
        EnableLogging, // master switch: nothing is logged while it is off
        LogChat,
        LogPlayerEvents,
        LogSystemEvents,
        LogDebugEvents, // stored like the others; nothing is logged under it
        LogOptionCount
    };

    explicit ChatOptions(SettingsStore &store, QObject *parent = nullptr);

    // Takes the stored states: a stored 1 turns an option on; an absent one takes its default.
    void restore();

    // Indexes out of range are ignored by the setters and read as off.
    void setOption(int index, bool on);
    void setLogOption(int index, bool on);
    bool option(int index) const;
    bool logOption(int index) const;

    bool echoesBotCommands() const { return option(EchoBotCommands); }
    bool displaysSystemMessages() const { return option(DisplaySystemMessages); }
    bool announcesNewPairings() const { return option(AnnounceNewPairings); }
    bool showsFullIpsInWhois() const { return option(ShowFullIpsInWhois); }
    bool showsJoinsAndLeaves() const { return option(ShowJoinsAndLeaves); }
    bool deliversFast() const { return option(FastDelivery); }
    bool loggingEnabled() const { return logOption(EnableLogging); }
    // A category is logged only while the master switch is on as well.
    bool logsChat() const { return logsCategory(LogChat); }
    bool logsPlayerEvents() const { return logsCategory(LogPlayerEvents); }
    bool logsSystemEvents() const { return logsCategory(LogSystemEvents); }

    static QString optionCaption(int index);
    static QString logOptionCaption(int index);

Q_SIGNALS:
    void changed();

private:
    template <std::size_t N>
    void set(std::array<bool, N> &states, int index, const StoredValue &row, bool on);
    bool logsCategory(LogOption category) const;

    SettingsStore &m_store;
    std::array<bool, OptionCount> m_options{};
    std::array<bool, LogOptionCount> m_logOptions{};
};
