#pragma once

#include <QString>

#include <vector>

namespace fb::sockets {

// A TCP socket of this process, known by its descriptor and by the kernel's
// inode of it (a descriptor may be reused; the inode tells them apart).
struct Socket {
    int fd = -1;
    unsigned long inode = 0;
};

// The process's TCP sockets, IPv4 and IPv6. Empty where the system does not
// tell (only Linux does, through /proc).
std::vector<Socket> tcpSockets();

// Those of now that were not there before.
std::vector<Socket> since(const std::vector<Socket>& before);

// Where a connected socket leads, as the client library takes a server:
// "192.168.1.10/3050", "[fe80::1]/3050"; empty when not connected.
QString peerServer(int fd, int* port = nullptr);

// Shuts a socket down both ways, so that whoever waits on it gets an end at
// once; its descriptor stays with its owner. Only when it is still the same
// socket.
void shutDown(const Socket& s);

} // namespace fb::sockets
