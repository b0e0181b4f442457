#pragma once

#include "host/HostCore.h"
#include "host/HostParts.h"
#include "support/MemoryClientLink.h"

#include <QByteArrayView>
#include <QPointer>
#include <QTemporaryDir>

#include <array>
#include <memory>

// What the fuzz targets share: they run without an event loop, so they end each event by hand.

// Aborts the fuzzer, which reports the input, when a property does not hold.
inline void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Takes a 16-bit little-endian count and that many bytes (fewer where the input ends) off input.
QByteArrayView takeCounted(QByteArrayView &input);

// What the event loop does after the current event: posted calls (a room's closes at the end of
// an event) and deferred deletions. No clock runs: timers never come due.
void endEvent();

// The room's one-shot timers wait for times that never come without an event loop (a silent
// connection's time-out is a minute away), outlive the room that set them and make every timer
// started after them dearer; they go after every input.
void dropStrandedTimers();

// The room's limits with every cap on rate and every per-address budget lifted: under a fuzzer's
// pace they would soon close the connections or refuse the requests, and no input would reach
// the packet handlers.
ChatRoom::Limits unboundedLimits();

// A whole host in memory: started from a temporary folder whose servers are closed ports on
// loopback, its room opened as the lobby's confirmation opens it, and Players clients seated
// over links in memory (from 127.0.0.2 on, as "Ann" and "Bob").
class FuzzHost
{
public:
    static constexpr int Players = 2;

    FuzzHost();
    ~FuzzHost();

    HostCore &core() { return *m_core; }
    HostParts &parts() { return m_core->parts(); }
    quint16 playerId(int client);
    int slotOf(int client) const;

    // The lobby confirms the room; false unless it is open then.
    bool open();
    // The client connects again from its address and asks for its seat.
    void seat(int client);
    // Ends the event, sends the whole queue and lets every client read what it was sent.
    void settle();
    // Nothing waits for a connection that is gone, every seated player holds a live connection
    // under an ID of its own, and every ban survives the ban store's round trip.
    void check();
    // Back to an open room with every client seated and no bans; false when that cannot be had.
    bool restore();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<HostCore> m_core;
    std::array<QPointer<MemoryClientLink>, Players> m_links;
};

// The host the host targets share: made at the first input, made afresh after InputsPerHost
// inputs or when it cannot be brought back to its start.
FuzzHost &sharedHost();
void finishInput();
