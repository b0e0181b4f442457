#include "tournament/LeagueSite.h"

#include "settings/StoredValues.h"
#include "text/AnsiText.h"

using namespace Qt::StringLiterals;

namespace {

// Only what would break the address is encoded; everything else reaches the site as typed.
QString urlPart(const QString &text)
{
    static constexpr QByteArrayView Breaking = " \"#%&+<>?\\^`{|}";
    QString part;
    for (const char byte : AnsiText::encode(text)) {
        const auto code = static_cast<unsigned char>(byte);
        if (code < 0x20 || code >= 0x7F || Breaking.contains(byte))
            part += u'%' + QString::number(code, 16).toUpper().rightJustified(2, u'0');
        else
            part += QChar::fromLatin1(byte);
    }
    return part;
}

QString withoutTrailingSlash(QString url)
{
    while (url.endsWith(u'/'))
        url.chop(1);
    return url;
}

QUrl address(const QString &host, const QString &pathAndQuery)
{
    return QUrl(withoutTrailingSlash(host) + pathAndQuery, QUrl::StrictMode);
}

QString storedOr(const SettingsStore &store, const StoredValue &value, const QString &override)
{
    if (!override.isEmpty())
        return override;
    const QString stored = value.read(store);
    return stored.isEmpty() ? value.defaultText() : stored;
}

} // namespace

LeagueSite::Hosts LeagueSite::defaultHosts()
{
    return {StoredValues::LeagueUrl.defaultText(), StoredValues::TourneyUrl.defaultText(),
        StoredValues::RankUrl.defaultText()};
}

LeagueSite LeagueSite::fromSettings(const SettingsStore &store, const Hosts &overrides)
{
    return LeagueSite({
        storedOr(store, StoredValues::LeagueUrl, overrides.leagueUrl),
        storedOr(store, StoredValues::TourneyUrl, overrides.tourneyUrl),
        storedOr(store, StoredValues::RankUrl, overrides.rankUrl),
    });
}

LeagueSite::LeagueSite(Hosts hosts)
    : m_hosts(std::move(hosts))
{
}

QUrl LeagueSite::rankUrl(
    const QString &ladderPath, const QString &ladderServer, const QString &name) const
{
    QUrl url = address(m_hosts.rankUrl,
        u"/perl/find.cgi?path="_s + urlPart(ladderPath) + u"&genre=sp&svr=cgi"_s
            + urlPart(ladderServer) + u"&name="_s + urlPart(name));
    if (url.port() < 0)
        url.setPort(DefaultRankPort);
    return url;
}

QUrl LeagueSite::reportUrl(const QString &ladderServer, const QString &jumpNumber) const
{
    return pageUrl(7, jumpNumber, QString(), ladderServer);
}

QString LeagueSite::pageCaption(int index)
{
    static const QStringList captions = {
        u"TD Login"_s,
        u"Head TD Login"_s,
        u"Tourney Main Page"_s,
        u"Register"_s,
        u"Standings"_s,
        u"Teams"_s,
        u"Rules"_s,
        u"Report"_s,
    };
    return captions.value(index);
}

QUrl LeagueSite::pageUrl(int index, const QString &jumpNumber, const QString &ladderPath,
    const QString &ladderServer) const
{
    const QString jump = urlPart(jumpNumber);
    const QString path = urlPart(ladderPath);
    const QString tourney = tourneyHost(ladderServer);
    switch (index) {
    case 0:
        return address(m_hosts.leagueUrl, u"/tk"_s);
    case 1:
        return address(m_hosts.leagueUrl, u"/tk/headtd"_s);
    case 2:
        return address(tourney, u"/tourney/"_s + path + u'/' + jump);
    case 3:
        return address(tourney, u"/tourneysystem/registerpage.php?tcount="_s + jump);
    case 4:
        return address(
            tourney, u"/tourneysystem/standings.php?tcount="_s + jump + u"&path="_s + path);
    case 5:
        return address(
            tourney, u"/tourneysystem/players.php?tcount="_s + jump + u"&path="_s + path);
    case 6:
        return address(tourney, u"/tourney/"_s + path + u'/' + jump + u"/rules.php"_s);
    case 7:
        return address(tourney, u"/tourneysystem/report.php?tcount="_s + jump);
    default:
        return {};
    }
}

QString LeagueSite::tourneyHost(const QString &ladderServer) const
{
    return QString(m_hosts.tourneyUrl).replace(u"{server}"_s, ladderServer);
}
