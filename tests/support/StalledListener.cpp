#include "support/StalledListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

StalledListener::StalledListener()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), size) != 0
        || ::listen(m_listener, 0) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return;
    m_filler = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_filler < 0
        || ::connect(m_filler, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        return;
    m_port = ntohs(address.sin_port);
}

StalledListener::~StalledListener()
{
    if (m_filler >= 0)
        ::close(m_filler);
    if (m_listener >= 0)
        ::close(m_listener);
}
