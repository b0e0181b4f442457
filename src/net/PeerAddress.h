#pragma once

#include <QHostAddress>
#include <QString>

// How the host names a peer's address, for the chat port and the panel alike.
namespace PeerAddress {

// The address as text, an IPv4 address in dotted form even when it arrived IPv4-mapped on a dual
// stack socket ("::ffff:203.0.113.5" is "203.0.113.5").
QString dotted(const QHostAddress &address);

// The block one visitor is counted by: an IPv4 address alone, an IPv6 address by its /64 network
// ("2001:db8:1:2::/64"), since one IPv6 subscriber is given a whole /64.
QString block(const QHostAddress &address);

} // namespace PeerAddress
