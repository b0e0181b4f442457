#include "PanelWatchers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QWebSocket>

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
    qDeleteAll(m_sockets);
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
    auto *socket = new QWebSocket(u"http://127.0.0.1:%1"_s.arg(m_port));
    m_sockets << socket;
    connect(socket, &QWebSocket::textMessageReceived, this, [this, cookie](const QString &message) {
        ++m_events;
        if (message.contains(u"\"hello\""_s)) {
            ++m_watching;
            fetchState(cookie);
        }
    });
    QNetworkRequest events(QUrl(u"ws://127.0.0.1:%1/api/events"_s.arg(m_port)));
    events.setRawHeader("Cookie", cookie);
    socket->open(events);
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
