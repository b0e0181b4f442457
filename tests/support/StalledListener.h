#pragma once

#include <QtGlobal>

// A loopback port that answers no new connection: it listens with an accept queue of one, which
// a first connection fills, so the system drops the handshakes of later ones and their
// connectors stay in "Connecting" for seconds. Nothing is ever accepted.
class StalledListener
{
public:
    StalledListener();
    ~StalledListener();
    StalledListener(const StalledListener &) = delete;
    StalledListener &operator=(const StalledListener &) = delete;

    // 0 if the listener could not be set up.
    quint16 port() const { return m_port; }

private:
    // Socket descriptors (SOCKET handles on Windows); -1 when none.
    qintptr m_listener = -1;
    qintptr m_filler = -1;
    quint16 m_port = 0;
};
