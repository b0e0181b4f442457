#pragma once

#include "chatserver/ClientLink.h"

#include <QByteArrayView>

// A client connection held in memory: the test plays the client, handing bytes in with deliver()
// and reading what the room wrote with takeWritten(). Written bytes count as unsent until taken.
class MemoryClientLink : public ClientLink
{
    Q_OBJECT

public:
    using ClientLink::ClientLink;

    int state() const override;
    qint64 unsentBytes() const override { return m_written.size(); }
    bool write(const QByteArray &bytes) override;
    QByteArray takeAvailable() override;
    void retire() override;

    // The client's side.
    void deliver(QByteArrayView bytes);
    void hangUp();
    QByteArray takeWritten();
    const QByteArray &written() const { return m_written; }
    bool isRetired() const { return m_retired; }

private:
    QByteArray m_arrived;
    QByteArray m_written;
    bool m_open = true;
    bool m_retired = false;
};
