#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>

namespace testsupport {

// The IPv4 loopback address at a port (0: any free one, for bind).
inline sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

} // namespace testsupport
