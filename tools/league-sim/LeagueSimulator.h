#pragma once

#include "common/LoopbackHttpServer.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <optional>

// A stand-in for the league web site: the tournament report page (single- or double-elimination
// layout), the ranking script's page per player name, and a plain page for every other page the
// host opens in the browser. The pages come from a folder holding the frame and the sample
// reports (see LeaguePages).
class LeagueSimulator : public QObject
{
    Q_OBJECT

public:
    enum class Elimination { Single, Double };

    explicit LeagueSimulator(Elimination elimination, QObject *parent = nullptr);

    // Reads the frame and the sample report from the folder; false, with errorString(), when one
    // is missing.
    bool loadPages(const QString &folder);
    bool listen(const QHostAddress &address, quint16 port);
    quint16 serverPort() const { return m_server.port(); }
    QString errorString() const { return m_error; }

    // The answer for a request target ("path?query"), or nothing for an unknown path.
    std::optional<LoopbackHttpServer::Response> respond(const QString &target) const;

    static constexpr quint16 DefaultPort = 8081;
    static constexpr QStringView FrameFile = u"rank-template.html";
    static QString reportFile(Elimination elimination);

Q_SIGNALS:
    void logLine(const QString &line);

private:
    QString rankLookup(const QString &name) const;
    static std::optional<QString> browserPageTitle(const QString &path);

    Elimination m_elimination;
    LoopbackHttpServer m_server;
    QString m_frame;
    QString m_report;
    QString m_error;
};
