#include "PanelWatchers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

PanelWatchers::PanelWatchers(quint16 port, const QString &password, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_password(password)
{
    // Each panel keeps its own session, so the manager must not share one cookie among them.
    m_network.setCookieJar(nullptr);
}

PanelWatchers::~PanelWatchers()
{
    for (QNetworkReply *stream : std::as_const(m_streams))
        stream->abort();
    qDeleteAll(m_streams);
}

void PanelWatchers::open(int count)
{
    for (int k = 0; k < count; ++k)
        logIn();
}

QNetworkRequest PanelWatchers::request(const QString &path) const
{
    QNetworkRequest request(QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_port).arg(path)));
    request.setRawHeader("Origin", "http://127.0.0.1:" + QByteArray::number(m_port));
    request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
    return request;
}

void PanelWatchers::logIn()
{
    const QByteArray body
        = QJsonDocument(QJsonObject{{u"password"_s, m_password}}).toJson(QJsonDocument::Compact);
    QNetworkReply *reply = m_network.post(request(u"/api/login"_s), body);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const QByteArray setCookie = reply->rawHeader("Set-Cookie");
        if (reply->error() == QNetworkReply::NoError)
            openEvents(setCookie.left(setCookie.indexOf(';')));
        // The panel checks one password at a time and asks the others to come again.
        else if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 503)
            QTimer::singleShot(200, this, &PanelWatchers::logIn);
    });
}

void PanelWatchers::openEvents(const QByteArray &cookie)
{
    QNetworkRequest events(QUrl(u"http://127.0.0.1:%1/api/events"_s.arg(m_port)));
    events.setRawHeader("Cookie", cookie);
    events.setRawHeader("Accept", "text/event-stream");
    // A manager of its own: one manager opens at most six connections to a host, and each stream
    // holds one for good.
    auto *network = new QNetworkAccessManager(this);
    network->setCookieJar(nullptr);
    QNetworkReply *stream = network->get(events);
    m_streams << stream;
    // One event per blank-line-ended block; its data lines carry the message.
    auto pending = std::make_shared<QByteArray>();
    connect(stream, &QNetworkReply::readyRead, this, [this, stream, cookie, pending] {
        *pending += stream->readAll();
        qsizetype end;
        while ((end = pending->indexOf("\n\n")) >= 0) {
            const QByteArray block = pending->left(end);
            pending->remove(0, end + 2);
            if (!block.startsWith("data: ") && !block.contains("\ndata: "))
                continue;
            ++m_events;
            if (block.contains("\"hello\"")) {
                ++m_watching;
                fetchState(cookie);
            }
        }
    });
}

void PanelWatchers::fetchState(const QByteArray &cookie)
{
    QNetworkRequest state = request(u"/api/state"_s);
    state.setRawHeader("Cookie", cookie);
    QNetworkReply *reply = m_network.get(state);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply->error() == QNetworkReply::NoError)
            ++m_stateFetches;
    });
}
