#include "tournament/WebFetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

using namespace Qt::StringLiterals;

WebFetcher::WebFetcher(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_network(network)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
        [this] { fail(u"No complete answer within %1 seconds"_s.arg(m_timeoutMs / 1000.0)); });
}

WebFetcher::~WebFetcher()
{
    dropReply();
}

bool WebFetcher::fetch(const QUrl &url)
{
    if (isBusy())
        return false;
    QNetworkRequest request(url);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    m_body.clear();
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &WebFetcher::readArrivedBody);
    connect(m_reply, &QNetworkReply::finished, this, &WebFetcher::finishReply);
    m_deadline.start(m_timeoutMs);
    return true;
}

void WebFetcher::readArrivedBody()
{
    // Read as it arrives, so an endless or huge body is stopped at the cap, not held in memory.
    m_body += m_reply->read(m_maxBodySize + 1 - m_body.size());
    if (m_body.size() > m_maxBodySize)
        fail(u"The page is larger than %1 bytes"_s.arg(m_maxBodySize));
}

void WebFetcher::finishReply()
{
    readArrivedBody();
    if (!isBusy())
        return; // the cap was hit by the last bytes
    const QNetworkReply::NetworkError error = m_reply->error();
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (error != QNetworkReply::NoError) {
        fail(m_reply->errorString());
    } else if (status < 200 || status > 299) {
        fail(u"HTTP status %1"_s.arg(status));
    } else {
        takeReply()->deleteLater();
        Q_EMIT fetched(std::exchange(m_body, {}));
    }
}

void WebFetcher::fail(const QString &reason)
{
    dropReply();
    m_body.clear();
    Q_EMIT failed(reason);
}

// Detaches the running reply from this fetcher, so nothing it still reports can reach us.
QNetworkReply *WebFetcher::takeReply()
{
    m_deadline.stop();
    QNetworkReply *reply = m_reply;
    m_reply.clear();
    if (reply)
        disconnect(reply, nullptr, this, nullptr);
    return reply;
}

void WebFetcher::dropReply()
{
    if (QNetworkReply *reply = takeReply()) {
        reply->abort();
        reply->deleteLater();
    }
}
