#include "tournament/TournamentSettings.h"

#include "settings/StoredValues.h"

using namespace Qt::StringLiterals;

namespace {

const QString Stroke = u"Stroke"_s;
const QString Skins = u"Skins"_s;

template <typename Array> QString valueAt(const Array &values, int i)
{
    return i >= 0 && i < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(i)]
                                                         : QString();
}

} // namespace

TournamentSettings::TournamentSettings(
    SettingsStore &store, QList<LadderEntry> ladders, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_ladders(std::move(ladders))
{
}

QStringList TournamentSettings::detailChoices(int i) const
{
    switch (i) {
    case Ladder: {
        QStringList names;
        for (const LadderEntry &ladder : m_ladders)
            names.append(ladder.name);
        return names;
    }
    case Format:
        return {u"1 vs 1"_s, u"2 vs 2"_s, u"3 vs 3"_s};
    case Elimination:
        return {u"Single Elimination"_s, u"Double Elimination"_s};
    default:
        return {};
    }
}

QString TournamentSettings::detailCaption(int i)
{
    static const QStringList captions = {u"Ladder"_s, u"Format"_s, u"Elimination Type"_s};
    return captions.value(i);
}

QString TournamentSettings::detailTextCaption(int i)
{
    static const QStringList captions
        = {u"Jump Number"_s, u"Start Time"_s, u"Entry Fee"_s, u"Donation"_s};
    return captions.value(i);
}

QString TournamentSettings::ruleCaption(int k)
{
    return k >= 0 && k < RuleCount ? u"Rule #"_s + QString::number(k + 1) : QString();
}

const QStringList &TournamentSettings::typeChoices()
{
    static const QStringList choices = {Stroke, Skins};
    return choices;
}

QString TournamentSettings::holesCaption() const
{
    return m_type == Skins ? u"Amount"_s : u"Holes"_s;
}

bool TournamentSettings::chooseDetail(int i, const QString &text)
{
    if (!detailChoices(i).contains(text))
        return false;
    m_details[static_cast<std::size_t>(i)] = text;
    StoredValues::Details.write(m_store, text, i);
    findSelectedLadder();
    Q_EMIT changed();
    return true;
}

void TournamentSettings::setDetailText(int i, const QString &text)
{
    if (i < 0 || i >= DetailTextCount)
        return;
    m_detailTexts[static_cast<std::size_t>(i)] = text;
    StoredValues::DetailTexts.write(m_store, text, i);
    Q_EMIT changed();
}

void TournamentSettings::setRule(int k, const QString &text)
{
    if (k < 0 || k >= RuleCount)
        return;
    m_rules[static_cast<std::size_t>(k)] = text;
    StoredValues::Rules.write(m_store, text, k);
    Q_EMIT changed();
}

bool TournamentSettings::chooseCourse(int row, const QString &text)
{
    return chooseInRow(m_courses, StoredValues::Courses, CourseTable::courseChoices(), row, text);
}

bool TournamentSettings::chooseLevel(int row, const QString &text)
{
    return chooseInRow(m_levels, StoredValues::Levels, CourseTable::levelChoices(), row, text);
}

bool TournamentSettings::chooseHoles(int row, const QString &text)
{
    return chooseInRow(m_holes, StoredValues::Holes, m_holesChoices, row, text);
}

bool TournamentSettings::chooseInRow(RowValues &rows, const StoredValue &stored,
    const QStringList &choices, int row, const QString &text)
{
    if (row < 0 || row >= CourseTable::RowCount || !choices.contains(text))
        return false;
    rows[static_cast<std::size_t>(row)] = text;
    if (row == CourseTable::AllRow) {
        // The "ALL" row is a tool for setting every round; its own choice is never stored.
        for (int round = 0; round < CourseTable::RoundCount; ++round) {
            rows[static_cast<std::size_t>(round)] = text;
            stored.write(m_store, text, round);
        }
    } else {
        stored.write(m_store, text, row);
    }
    Q_EMIT changed();
    return true;
}

bool TournamentSettings::chooseType(const QString &text)
{
    if (!typeChoices().contains(text))
        return false;
    StoredValues::Type.write(m_store, text);
    // Choosing the type in force again keeps the holes: they still match the list.
    if (text == m_type)
        return true;
    m_type = text;
    m_holesChoices = CourseTable::holesChoices(text);
    m_holes.fill(QString());
    // Outside start-up the stored holes no longer match the new list; at start-up they are about
    // to be restored into it.
    if (!m_loadingSettings) {
        for (int round = 0; round < CourseTable::RoundCount; ++round)
            StoredValues::Holes.write(m_store, QString(), round);
    }
    Q_EMIT holesChoicesChanged();
    Q_EMIT changed();
    return true;
}

void TournamentSettings::restore()
{
    m_loadingSettings = true;
    restoreChoice(StoredValues::Details,
        [this](int i, const QString &text) { return chooseDetail(i, text); });
    findSelectedLadder();
    restoreChoice(StoredValues::DetailTexts, [this](int i, const QString &text) {
        setDetailText(i, text);
        return true;
    });
    restoreChoice(StoredValues::Rules, [this](int k, const QString &text) {
        setRule(k, text);
        return true;
    });
    restoreChoice(StoredValues::Courses,
        [this](int row, const QString &text) { return chooseCourse(row, text); });
    restoreChoice(StoredValues::Levels,
        [this](int row, const QString &text) { return chooseLevel(row, text); });

    // The first round's holes decide the type in force: a "$" amount means skins, whatever the
    // stored type says, so the stored holes can be chosen again from the right list.
    const QString storedType = StoredValues::Type.read(m_store);
    chooseType(storedType.isEmpty() ? StoredValues::Type.defaultText() : storedType);
    chooseType(StoredValues::Holes.read(m_store, 0).startsWith(u'$') ? Skins : Stroke);
    restoreChoice(StoredValues::Holes,
        [this](int row, const QString &text) { return chooseHoles(row, text); });
    m_loadingSettings = false;
}

void TournamentSettings::restoreChoice(
    const StoredValue &stored, const std::function<bool(int, const QString &)> &choose)
{
    for (int i = 0; i < stored.count(); ++i) {
        const QString text = stored.read(m_store, i);
        if (!text.isEmpty())
            choose(i, text);
    }
}

void TournamentSettings::findSelectedLadder()
{
    for (int i = 0; i < m_ladders.size(); ++i) {
        if (m_ladders[i].name == m_details[Ladder]) {
            m_selectedLadder = i;
            return;
        }
    }
}

QString TournamentSettings::details(int i) const
{
    return valueAt(m_details, i);
}

QString TournamentSettings::detailText(int i) const
{
    return valueAt(m_detailTexts, i);
}

QString TournamentSettings::rule(int k) const
{
    return valueAt(m_rules, k);
}

QString TournamentSettings::course(int row) const
{
    return valueAt(m_courses, row);
}

QString TournamentSettings::level(int row) const
{
    return valueAt(m_levels, row);
}

QString TournamentSettings::holes(int row) const
{
    return valueAt(m_holes, row);
}

QString TournamentSettings::ladderPath() const
{
    return m_ladders.isEmpty() ? QString() : m_ladders[m_selectedLadder].path;
}

QString TournamentSettings::ladderServer() const
{
    return m_ladders.isEmpty() ? QString() : m_ladders[m_selectedLadder].server;
}
