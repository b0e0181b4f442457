#include "support/StalledListener.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#define SOCKET_OF(s) SOCKET(s)
using socklen_t = int;
namespace {
constexpr qintptr NoSocket = qintptr(INVALID_SOCKET);
void closeSocket(qintptr s)
{
    ::closesocket(SOCKET(s));
}
} // namespace
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#define SOCKET_OF(s) int(s)
namespace {
constexpr qintptr NoSocket = -1;
void closeSocket(qintptr s)
{
    ::close(int(s));
}
} // namespace
#endif

StalledListener::StalledListener()
{
#ifdef Q_OS_WIN
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    m_listener = qintptr(::socket(AF_INET, SOCK_STREAM, 0));
    if (m_listener == NoSocket)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(SOCKET_OF(m_listener), reinterpret_cast<sockaddr *>(&address), size) != 0
        || ::listen(SOCKET_OF(m_listener), 0) != 0
        || ::getsockname(SOCKET_OF(m_listener), reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return;
    m_filler = qintptr(::socket(AF_INET, SOCK_STREAM, 0));
    if (m_filler == NoSocket
        || ::connect(
               SOCKET_OF(m_filler), reinterpret_cast<const sockaddr *>(&address), sizeof address)
            != 0)
        return;
    m_port = ntohs(address.sin_port);
}

StalledListener::~StalledListener()
{
    if (m_filler != NoSocket)
        closeSocket(m_filler);
    if (m_listener != NoSocket)
        closeSocket(m_listener);
#ifdef Q_OS_WIN
    WSACleanup();
#endif
}
