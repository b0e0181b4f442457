#include "common/FramedPackets.h"

QList<QByteArray> takePackets(InboundFramer &framer, QByteArrayView arrived, qsizetype most)
{
    framer.append(arrived);
    QList<QByteArray> packets;
    while (packets.size() < most) {
        std::optional<QByteArray> packet = framer.takeNext();
        if (!packet)
            break;
        packets << std::move(*packet);
    }
    return packets;
}
