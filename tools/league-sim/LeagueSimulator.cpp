#include "LeagueSimulator.h"

#include "LeaguePages.h"
#include "text/AnsiText.h"
#include "tournament/LeagueSite.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

enum PageIndex { TdLogin, HeadTdLogin, MainPage, Register, Standings, Teams, Rules, Report };

std::optional<QString> readPage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return AnsiText::decode(file.readAll());
}

// The value of one query key, percent-decoded; the host sends names as Windows-1252 bytes.
QString queryValue(QStringView query, QStringView key)
{
    for (const QStringView pair : query.tokenize(u'&')) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals >= 0 && pair.first(equals) == key) {
            const QByteArray raw = pair.sliced(equals + 1).toLatin1();
            return AnsiText::decode(QByteArray::fromPercentEncoding(raw));
        }
    }
    return {};
}

LoopbackHttpServer::Response htmlResponse(const QString &page)
{
    return {200, AnsiText::encode(page)};
}

} // namespace

LeagueSimulator::LeagueSimulator(Elimination elimination, QObject *parent)
    : QObject(parent)
    , m_elimination(elimination)
{
    m_server.setHandler([this](const QString &target) { return respond(target); });
    connect(&m_server, &LoopbackHttpServer::requestReceived, this, &LeagueSimulator::logLine);
}

QString LeagueSimulator::reportFile(Elimination elimination)
{
    return elimination == Elimination::Single ? u"report-single.html"_s : u"report-double.html"_s;
}

bool LeagueSimulator::loadPages(const QString &folder)
{
    const QDir dir(folder);
    const std::optional<QString> frame = readPage(dir.filePath(FrameFile.toString()));
    const std::optional<QString> report = readPage(dir.filePath(reportFile(m_elimination)));
    if (!frame || !report) {
        m_error = u"Cannot read the pages in "_s + QDir::toNativeSeparators(dir.absolutePath());
        return false;
    }
    m_frame = *frame;
    m_report = *report;
    return true;
}

bool LeagueSimulator::listen(const QHostAddress &address, quint16 port)
{
    if (m_server.listen(address, port))
        return true;
    m_error = u"Cannot listen on "_s + address.toString() + u':' + QString::number(port);
    return false;
}

std::optional<LoopbackHttpServer::Response> LeagueSimulator::respond(const QString &target) const
{
    const QString path = target.section(u'?', 0, 0);
    const QString query = target.section(u'?', 1);
    if (path == u"/tourneysystem/report.php"_s)
        return htmlResponse(LeaguePages::reportPage(m_report, queryValue(query, u"tcount")));
    if (path == u"/perl/find.cgi"_s)
        return htmlResponse(rankLookup(queryValue(query, u"name")));
    if (const std::optional<QString> title = browserPageTitle(path))
        return htmlResponse(LeaguePages::simplePage(m_frame, *title));
    return std::nullopt;
}

QString LeagueSimulator::rankLookup(const QString &name) const
{
    const std::optional<LeaguePages::Standing> standing = LeaguePages::findPlayer(name);
    if (!standing)
        return LeaguePages::notFoundPage(m_frame, name);
    if (!standing->ranked)
        return LeaguePages::unrankedPage(m_frame, standing->name);
    return LeaguePages::rankPage(m_frame, *standing);
}

std::optional<QString> LeagueSimulator::browserPageTitle(const QString &path)
{
    static const QHash<QString, int> fixedPaths = {
        {u"/tk"_s, TdLogin},
        {u"/tk/headtd"_s, HeadTdLogin},
        {u"/tourneysystem/registerpage.php"_s, Register},
        {u"/tourneysystem/standings.php"_s, Standings},
        {u"/tourneysystem/players.php"_s, Teams},
    };
    if (const auto fixed = fixedPaths.constFind(path); fixed != fixedPaths.cend())
        return LeagueSite::pageCaption(*fixed);
    // "/tourney/<ladder path>/<jump number>", and its rules below it.
    if (path.startsWith(u"/tourney/"_s))
        return LeagueSite::pageCaption(path.endsWith(u"/rules.php"_s) ? Rules : MainPage);
    return std::nullopt;
}
