#pragma once
// One socket handle (or none), with its local and peer address and port.
// Every call goes through the socket-library object.

#include <string>

#include "smtp/IdComponent.h"
#include "smtp/IdStack.h"

class TIdSocketHandle : public TIdComponent {
  public:
    TIdSocketHandle() = default;
    ~TIdSocketHandle() override;

    bool HandleAllocated() const { return handle_ != IdNoSocket; }
    TIdStackSocketHandle Handle() const { return handle_; }
    TIdIPVersion IPVersion() const { return ipVersion_; }
    void SetIPVersion(TIdIPVersion ipVersion) { ipVersion_ = ipVersion; }

    const std::string& IP() const { return ip_; }
    int Port() const { return port_; }
    const std::string& PeerIP() const { return peerIp_; }
    int PeerPort() const { return peerPort_; }

    // Closes the socket (if any) and forgets every address.
    void Reset();
    // A new TCP socket of the address family; a socket left from before is closed first.
    void AllocateSocket();
    // Binds to any local address and port 0; raises EIdCouldNotBindSocket.
    void Bind();
    void SetNagle(bool useNagle);
    void Connect(const std::string& ip, int port, int timeoutMs,
                 const std::atomic<bool>* abort = nullptr);
    // Records the local and the peer address and port.
    void UpdateBindings();
    // Readiness wait on this socket alone (see TIdStack::WaitReadable).
    bool Readable(int timeoutMs);
    bool Writable(int timeoutMs);
    std::size_t Receive(char* buffer, std::size_t size);
    std::size_t Send(const char* data, std::size_t size);
    // Shuts the sending side, closes, marks the handle as not allocated; never raises.
    void CloseSocket();

  private:
    TIdStackSocketHandle handle_ = IdNoSocket;
    TIdIPVersion ipVersion_ = Id_IPv4;
    std::string ip_;
    int port_ = 0;
    std::string peerIp_;
    int peerPort_ = 0;
};
