#pragma once
// A small TCP server on 127.0.0.1 for transport tests. It listens on an
// ephemeral port and runs a session function on its own thread for each
// connection it accepts. Every wait is bounded, so a faulty client can make a
// test fail but never hang it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

namespace smtptest {

constexpr int kWaitMs = 5000;

// The server's end of one connection.
class TPeer {
  public:
    explicit TPeer(int fd) : fd_(fd) {
        timeval limit{kWaitMs / 1000, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    }
    ~TPeer() { Close(); }
    TPeer(const TPeer&) = delete;
    TPeer& operator=(const TPeer&) = delete;

    // False when the client went away (or stopped reading) before all was sent.
    bool Send(const std::string& bytes) {
        std::size_t sent = 0;
        while (fd_ >= 0 && sent < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return sent == bytes.size();
    }
    // Bytes up to and including the next LF ("" when the client closed or went quiet).
    std::string ReadLine() {
        std::string line;
        char c = 0;
        while (fd_ >= 0 && ::recv(fd_, &c, 1, 0) == 1) {
            line += c;
            if (c == '\n') break;
        }
        return line;
    }
    // Everything until the client closes (or goes quiet for the wait limit).
    std::string ReadAll() {
        std::string all;
        char chunk[4096];
        ssize_t n;
        while (fd_ >= 0 && (n = ::recv(fd_, chunk, sizeof chunk, 0)) > 0)
            all.append(chunk, static_cast<std::size_t>(n));
        return all;
    }
    // Closes with a reset instead of the orderly close.
    void Abort() {
        linger hard{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        Close();
    }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

// A bound loopback socket (127.0.0.1, or ::1 with ipv6); with listening false
// its port refuses connections. -1 when the address is not there.
inline int BindLoopback(int& port, bool listening, int backlog = 8, bool ipv6 = false) {
    int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_storage storage{};
    socklen_t length;
    if (ipv6) {
        auto& address = reinterpret_cast<sockaddr_in6&>(storage);
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        length = sizeof address;
    } else {
        auto& address = reinterpret_cast<sockaddr_in&>(storage);
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof address;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0) {
        ::close(fd);
        return -1;
    }
    if (listening) ::listen(fd, backlog);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length);
    port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6&>(storage).sin6_port
                      : reinterpret_cast<sockaddr_in&>(storage).sin_port);
    return fd;
}

class TLoopbackServer {
  public:
    using TArchiveSession = std::function<void(TPeer&)>;

    explicit TLoopbackServer(TArchiveSession session, int connections = 1, bool ipv6 = false)
        : listener_(BindLoopback(port_, true, 8, ipv6)) {
        thread_ = std::thread([this, session = std::move(session), connections] {
            for (int i = 0; i < connections && listener_ >= 0; ++i) {
                pollfd entry{listener_, POLLIN, 0};
                if (::poll(&entry, 1, kWaitMs) != 1) break;
                int fd = ::accept(listener_, nullptr, nullptr);
                if (fd < 0) break;
                TPeer peer(fd);
                session(peer);
            }
        });
    }
    ~TLoopbackServer() {
        thread_.join();
        if (listener_ >= 0) ::close(listener_);
    }
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    int Port() const { return port_; }
    bool Listening() const { return listener_ >= 0; }

  private:
    int port_ = 0;
    int listener_;
    std::thread thread_;
};

// A one-shot signal between the test and a session, waited for with a limit.
class TGate {
  public:
    void Open() { promise_.set_value(); }
    bool Wait(int limitMs = kWaitMs) {
        return future_.wait_for(std::chrono::milliseconds(limitMs)) == std::future_status::ready;
    }

  private:
    std::promise<void> promise_;
    std::future<void> future_ = promise_.get_future();
};

}  // namespace smtptest
