#pragma once

#include <QtGlobal>

namespace LocalPort {

// A TCP port on which the room can listen right now, for runs that start several programs on one
// machine (the demo, tests, benchmarks). It is taken below the system's range of ephemeral ports,
// so the many outgoing connections of a busy machine cannot take it before the room listens.
// 0 when none was found.
quint16 pickFree();

} // namespace LocalPort
