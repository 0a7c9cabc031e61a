#pragma once
// The socket-library object: every socket call of the transport goes through
// it. A failing call raises EIdSocketError with the transport's error number
// (see IdException.h); the platform class translates its own codes to those.

#include <array>
#include <atomic>
#include <cstddef>
#include <string>
#include <utility>

enum TIdIPVersion { Id_IPv4, Id_IPv6 };

using TIdStackSocketHandle = int;
constexpr TIdStackSocketHandle IdNoSocket = -1;

// Waits: a number of milliseconds, or one of these.
constexpr int IdTimeoutDefault = -1;   // the channel's ReadTimeout
constexpr int IdTimeoutInfinite = -2;  // no limit

// Socket error numbers the code refers to by name.
constexpr int IdErrorNotASocket = 10038;
constexpr int IdErrorAddressFamily = 10047;
constexpr int IdErrorTimedOut = 10060;
constexpr int IdErrorHostNotFound = 11001;
constexpr int IdErrorTryAgain = 11002;

class TIdStack {
  public:
    virtual ~TIdStack() = default;

    // The local host name, read once when the object was created ("" if unknown).
    const std::string& HostName() const { return hostName_; }

    virtual TIdStackSocketHandle NewSocketHandle(TIdIPVersion ipVersion) = 0;
    // Bind to the given address ("" = any) and port (0 = any); false on failure.
    virtual bool Bind(TIdStackSocketHandle socket, const std::string& ip, int port,
                      TIdIPVersion ipVersion) = 0;
    virtual void SetNoDelay(TIdStackSocketHandle socket, bool noDelay) = 0;
    // Connects to a numeric address; a positive timeout bounds the wait (then
    // 10060). A set `abort` flag ends the wait within SliceMs (EIdAborted).
    virtual void Connect(TIdStackSocketHandle socket, const std::string& ip, int port,
                         TIdIPVersion ipVersion, int timeoutMs, const std::atomic<bool>* abort) = 0;
    // The first address of the name, in numeric form; raises when there is none.
    virtual std::string HostByName(const std::string& name, TIdIPVersion ipVersion) = 0;
    // Waits until the socket is readable (or the peer closed); false on time-out.
    // timeoutMs: milliseconds, 0 for no wait, IdTimeoutInfinite for no limit.
    virtual bool WaitReadable(TIdStackSocketHandle socket, int timeoutMs) = 0;
    // Waits until the socket takes more bytes (or has failed); false on time-out.
    virtual bool WaitWritable(TIdStackSocketHandle socket, int timeoutMs) = 0;
    virtual std::size_t Receive(TIdStackSocketHandle socket, char* buffer, std::size_t size) = 0;
    virtual std::size_t Send(TIdStackSocketHandle socket, const char* data, std::size_t size) = 0;
    // Shuts the sending side and closes; never raises.
    virtual void Disconnect(TIdStackSocketHandle socket) = 0;
    virtual void GetSocketName(TIdStackSocketHandle socket, std::string& ip, int& port) = 0;
    virtual void GetPeerName(TIdStackSocketHandle socket, std::string& ip, int& port) = 0;

    // True for exactly four dot-separated decimal numbers, each 0-255.
    static bool IsIPv4Dotted(const std::string& host);
    // The four bytes of such a host (leading zeros allowed, as decimal).
    static bool ParseIPv4(const std::string& host, std::array<unsigned char, 4>& bytes);

  protected:
    explicit TIdStack(std::string hostName) : hostName_(std::move(hostName)) {}

  private:
    std::string hostName_;
};

// Common part of the Berkeley-style socket interfaces: a call result of -1
// means failure, its error number comes from LastError().
class TIdStackBSDBase : public TIdStack {
  protected:
    using TIdStack::TIdStack;
    // The transport's error number of the last failed call.
    virtual int LastError() const = 0;
    // Returns the result, or raises the socket error of LastError() for -1.
    long CheckForSocketError(long result) const;
};
