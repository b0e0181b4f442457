#include "app/LocalPort.h"

#include <QRandomGenerator>
#include <QTcpServer>

namespace LocalPort {

namespace {
// Linux hands out ephemeral ports from 32768 up; registered services mostly sit far below 20000.
constexpr quint16 FirstPort = 20000;
constexpr quint16 LastPort = 32767;
constexpr int Attempts = 64;
} // namespace

quint16 pickFree()
{
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const auto port = quint16(QRandomGenerator::global()->bounded(FirstPort, LastPort + 1));
        // The room listens on every IPv4 address, so probe the same way.
        QTcpServer probe;
        if (probe.listen(QHostAddress::AnyIPv4, port))
            return port;
    }
    return 0;
}

} // namespace LocalPort
