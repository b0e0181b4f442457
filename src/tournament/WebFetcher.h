#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// Downloads one page at a time over a shared QNetworkAccessManager and reports its end exactly
// once, with either fetched() or failed(). Both are emitted after the fetcher is idle again, so a
// receiver may start the next download at once; a download only ever reports its own reply.
//
// A download fails on a connection error, on an HTTP status other than 2xx, when it takes longer
// than timeout() in total, and when its body grows beyond maxBodySize().
class WebFetcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultTimeoutMs = 60'000;
    static constexpr qint64 DefaultMaxBodySize = 4 * 1024 * 1024;
    static constexpr int MaxRedirects = 3;

    explicit WebFetcher(QNetworkAccessManager *network, QObject *parent = nullptr);
    ~WebFetcher() override;

    bool isBusy() const { return !m_reply.isNull(); }
    // Starts the download; false, and nothing started, while another one is running.
    bool fetch(const QUrl &url);

    int timeoutMs() const { return m_timeoutMs; }
    void setTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs; }
    qint64 maxBodySize() const { return m_maxBodySize; }
    void setMaxBodySize(qint64 bytes) { m_maxBodySize = bytes; }

Q_SIGNALS:
    void fetched(const QByteArray &body);
    void failed(const QString &reason);

private:
    void readArrivedBody();
    void finishReply();
    void fail(const QString &reason);
    void dropReply();
    QNetworkReply *takeReply();

    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QTimer m_deadline;
    int m_timeoutMs = DefaultTimeoutMs;
    qint64 m_maxBodySize = DefaultMaxBodySize;
};
