#pragma once
// The socket-library object over POSIX sockets (blocking). errno values and
// resolver failures are turned into the transport's socket error numbers.

#include "smtp/IdStack.h"

class TIdStackPosix : public TIdStackBSDBase {
  public:
    TIdStackPosix();

    TIdStackSocketHandle NewSocketHandle(TIdIPVersion ipVersion) override;
    bool Bind(TIdStackSocketHandle socket, const std::string& ip, int port,
              TIdIPVersion ipVersion) override;
    void SetNoDelay(TIdStackSocketHandle socket, bool noDelay) override;
    void Connect(TIdStackSocketHandle socket, const std::string& ip, int port,
                 TIdIPVersion ipVersion, int timeoutMs, const std::atomic<bool>* abort) override;
    std::string HostByName(const std::string& name, TIdIPVersion ipVersion) override;
    bool WaitReadable(TIdStackSocketHandle socket, int timeoutMs) override;
    bool WaitWritable(TIdStackSocketHandle socket, int timeoutMs) override;
    std::size_t Receive(TIdStackSocketHandle socket, char* buffer, std::size_t size) override;
    std::size_t Send(TIdStackSocketHandle socket, const char* data, std::size_t size) override;
    void Disconnect(TIdStackSocketHandle socket) override;
    void GetSocketName(TIdStackSocketHandle socket, std::string& ip, int& port) override;
    void GetPeerName(TIdStackSocketHandle socket, std::string& ip, int& port) override;

    // The transport's error number for an errno value; an errno without
    // counterpart keeps its own number (which has no text).
    static int TranslateErrno(int error);
    // The transport's error number for a getaddrinfo result (errno for EAI_SYSTEM).
    static int TranslateResolverError(int eaiCode, int error);

  protected:
    int LastError() const override;
};
