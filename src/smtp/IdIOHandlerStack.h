#pragma once
// The channel a client creates for itself when it has none: name resolution,
// connect, receive, send and the readiness wait through the socket library.

#include "smtp/IdIOHandlerSocket.h"

class TIdIOHandlerStack : public TIdIOHandlerSocket {
  protected:
    // Dotted IPv4 addresses are used as they are; LOCALHOST (any case) is the
    // loopback address; any other name is looked up.
    std::string ResolveHost(const std::string& host) override;
    bool Readable(int timeoutMs) override;
    bool Writable(int timeoutMs) override;
    std::size_t RecvRaw(char* buffer, std::size_t size) override;
    std::size_t SendRaw(const char* data, std::size_t size) override;
};
