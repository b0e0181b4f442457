#include "host/StoredValueEditor.h"

#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"
#include "host/HostIdentity.h"
#include "settings/StoredValues.h"
#include "tournament/CourseTable.h"
#include "tournament/TournamentSettings.h"

#include <functional>

using namespace Qt::StringLiterals;
using namespace StoredValues;
using namespace ValueCodec;

namespace {

struct Models
{
    HostIdentity &identity;
    ChatOptions &options;
    ChatStyles &styles;
    TournamentSettings *tournament;
};

// How one declared value reaches the model that holds it: the setter gets the value in its
// stored form (already checked against the encoding) and may still refuse it, the getter gives
// the model's value in that form.
struct Binding
{
    const StoredValue *value;
    std::function<bool(Models &, int, const QString &)> set;
    std::function<QString(const Models &, int)> get;
};

template <typename Setter> auto identitySetter(Setter setter)
{
    return [setter](Models &m, int, const QString &text) {
        (m.identity.*setter)(text);
        return true;
    };
}

template <typename Getter> auto identityGetter(Getter getter)
{
    return [getter](const Models &m, int) { return (m.identity.*getter)(); };
}

// The tournament's values: refused until the tournament exists.
template <typename Set, typename Get>
Binding tournamentBinding(const StoredValue &value, Set set, Get get)
{
    return {&value,
        [set](Models &m, int i, const QString &text) {
            return m.tournament != nullptr && set(*m.tournament, i, text);
        },
        [get](const Models &m, int i) {
            return m.tournament != nullptr ? get(*m.tournament, i) : QString();
        }};
}

const QList<Binding> &bindings()
{
    using T = TournamentSettings;
    static const QList<Binding> all = {
        {&Server,
            [](Models &m, int, const QString &text) {
                if (!HostIdentity::serverChoices().contains(text))
                    return false;
                m.identity.chooseServer(text);
                return true;
            },
            identityGetter(&HostIdentity::server)},
        {&OperatorName, identitySetter(&HostIdentity::setOperatorName),
            identityGetter(&HostIdentity::operatorName)},
        {&RoomName, identitySetter(&HostIdentity::setRoomName),
            identityGetter(&HostIdentity::roomName)},
        {&Password, identitySetter(&HostIdentity::setPassword),
            identityGetter(&HostIdentity::password)},
        {&Locked,
            [](Models &m, int, const QString &text) {
                m.identity.setLocked(isChecked(text));
                return true;
            },
            [](const Models &m, int) { return checkText(m.identity.locked()); }},
        {&WelcomeMessage, identitySetter(&HostIdentity::setWelcomeMessage),
            identityGetter(&HostIdentity::welcomeMessage)},

        tournamentBinding(
            Details, [](T &t, int i, const QString &v) { return t.chooseDetail(i, v); },
            [](const T &t, int i) { return t.details(i); }),
        tournamentBinding(
            DetailTexts,
            [](T &t, int i, const QString &v) {
                t.setDetailText(i, v);
                return true;
            },
            [](const T &t, int i) { return t.detailText(i); }),
        tournamentBinding(
            Rules,
            [](T &t, int k, const QString &v) {
                t.setRule(k, v);
                return true;
            },
            [](const T &t, int k) { return t.rule(k); }),
        tournamentBinding(
            Type, [](T &t, int, const QString &v) { return t.chooseType(v); },
            [](const T &t, int) { return t.type(); }),
        tournamentBinding(
            Courses, [](T &t, int row, const QString &v) { return t.chooseCourse(row, v); },
            [](const T &t, int row) { return t.course(row); }),
        tournamentBinding(
            Levels, [](T &t, int row, const QString &v) { return t.chooseLevel(row, v); },
            [](const T &t, int row) { return t.level(row); }),
        tournamentBinding(
            Holes, [](T &t, int row, const QString &v) { return t.chooseHoles(row, v); },
            [](const T &t, int row) { return t.holes(row); }),

        {&StoredValues::Options,
            [](Models &m, int i, const QString &text) {
                m.options.setOption(i, isChecked(text));
                return true;
            },
            [](const Models &m, int i) { return checkText(m.options.option(i)); }},
        {&Logs,
            [](Models &m, int i, const QString &text) {
                m.options.setLogOption(i, isChecked(text));
                return true;
            },
            [](const Models &m, int i) { return checkText(m.options.logOption(i)); }},

        {&Colours,
            [](Models &m, int slot, const QString &text) {
                m.styles.setColour(slot, parseColour(text).value_or(0));
                return true;
            },
            [](const Models &m, int slot) { return colourText(m.styles.colour(slot)); }},
        // Fonts are chosen whole (chooseFont); these only read.
        {&FontNames, nullptr, [](const Models &m, int slot) { return m.styles.font(slot).name; }},
        {&FontBold, nullptr,
            [](const Models &m, int slot) { return flagText(m.styles.font(slot).bold); }},
        {&FontItalic, nullptr,
            [](const Models &m, int slot) { return flagText(m.styles.font(slot).italic); }},
        {&FontSizes, nullptr,
            [](const Models &m, int slot) {
                const float size = m.styles.font(slot).size;
                return size > 0 ? sizeText(size) : QString(); // 0: the window's default size
            }},
    };
    return all;
}

const Binding *bindingOf(const StoredValue &value)
{
    for (const Binding &binding : bindings()) {
        if (binding.value == &value)
            return &binding;
    }
    return nullptr;
}

const StoredValue *roundColumn(const StoredValue &column)
{
    return &column == &Courses || &column == &Levels || &column == &Holes ? &column : nullptr;
}

} // namespace

StoredValueEditor::StoredValueEditor(
    SettingsStore &store, HostIdentity &identity, ChatOptions &options, ChatStyles &styles)
    : m_store(store)
    , m_identity(identity)
    , m_options(options)
    , m_styles(styles)
{
}

bool StoredValueEditor::setStoredValue(
    const QString &valueName, const QString &text, QString *reason)
{
    const auto found = StoredValues::find(valueName);
    if (!found || !found->first->settable) {
        if (reason)
            *reason = u"unknown setting "_s + valueName;
        return false;
    }
    return setStoredValue(*found->first, found->second, text, reason);
}

bool StoredValueEditor::setStoredValue(
    const StoredValue &value, int index, const QString &text, QString *reason)
{
    if (!value.settable || index < 0 || index >= value.count()) {
        if (reason)
            *reason = u"unknown setting "_s + value.name(index);
        return false;
    }
    const std::optional<QString> taken = value.input(text);
    if (taken && apply(value, index, *taken))
        return true;
    if (reason) {
        *reason = u"\""_s + text + u"\" is not a choice for "_s + value.name(index);
        if (!value.expected().isEmpty())
            *reason += u" ("_s + value.expected() + u')';
    }
    return false;
}

bool StoredValueEditor::apply(const StoredValue &value, int index, const QString &text)
{
    const Binding *binding = bindingOf(value);
    if (binding == nullptr) {
        value.write(m_store, text, index);
        return true;
    }
    Models models{m_identity, m_options, m_styles, m_tournament};
    return binding->set && binding->set(models, index, text);
}

bool StoredValueEditor::chooseForEveryRound(const StoredValue &column, const QString &text)
{
    const Binding *binding = roundColumn(column) ? bindingOf(column) : nullptr;
    if (binding == nullptr)
        return false;
    Models models{m_identity, m_options, m_styles, m_tournament};
    return binding->set(models, CourseTable::AllRow, text);
}

QString StoredValueEditor::storedValue(const QString &valueName) const
{
    const auto found = StoredValues::find(valueName);
    return found ? current(*found->first, found->second) : QString();
}

QString StoredValueEditor::current(const StoredValue &value, int index) const
{
    if (const Binding *binding = bindingOf(value)) {
        const Models models{m_identity, m_options, m_styles, m_tournament};
        return binding->get(models, index);
    }
    // Read at start-up only: what the next start will take.
    const QString stored = value.read(m_store, index);
    return stored.isEmpty() ? value.defaultText(index) : stored;
}

void StoredValueEditor::chooseColour(int slot, quint32 colour)
{
    m_styles.setColour(slot, colour);
}

void StoredValueEditor::chooseFont(int slot, const ChatFont &font)
{
    m_styles.setFont(slot, font.name, font.bold, font.italic, font.size);
}
