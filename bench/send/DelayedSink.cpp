#include "DelayedSink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "LoopbackServer.h"

namespace brivano::bench {

TDelayedSink::TDelayedSink(int delayMs) : delayMs_(delayMs) {
    listener_ = smtptest::BindLoopback(port_, true, 64);
    if (listener_ < 0) return;
    acceptor_ = std::thread([this] { Accept(); });
}

TDelayedSink::~TDelayedSink() {
    stop_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> sessions;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sessions.swap(sessions_);
    }
    for (auto& t : sessions) t.join();
    if (listener_ >= 0) ::close(listener_);
}

TDelayedSink::TCounts TDelayedSink::Take() {
    return {waits_.exchange(0), messages_.exchange(0), connections_.exchange(0)};
}

void TDelayedSink::Accept() {
    while (!stop_) {
        pollfd entry{listener_, POLLIN, 0};
        if (::poll(&entry, 1, 50) != 1) continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++connections_;
        std::lock_guard<std::mutex> lock(mutex_);
        sessions_.emplace_back([this, fd] { Serve(fd); });
    }
}

void TDelayedSink::Serve(int fd) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::string out = "220 sink.local ESMTP\r\n";
    auto flush = [&] {
        if (out.empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
        ++waits_;
        std::size_t sent = 0;
        while (sent < out.size()) {
            const ssize_t n = ::send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        out.clear();
        return true;
    };
    enum class TState { Command, Data, AuthUser, AuthPassword, AuthPlain } state = TState::Command;
    std::string in;
    char chunk[65536];
    bool open = flush();
    while (open && !stop_) {
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, 200);
        if (ready == 0) continue;
        const ssize_t n = ready < 0 ? -1 : ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        in.append(chunk, static_cast<std::size_t>(n));
        std::size_t start = 0;
        for (std::size_t end; open && (end = in.find('\n', start)) != std::string::npos;
             start = end + 1) {
            std::string line = in.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::string upper = line.substr(0, 10);
            for (char& c : upper)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            switch (state) {
                case TState::Data:
                    if (line == ".") {
                        ++messages_;
                        out += "250 2.0.0 Ok: queued\r\n";
                        state = TState::Command;
                    }
                    continue;
                case TState::AuthUser:
                    out += "334 UGFzc3dvcmQ6\r\n";
                    state = TState::AuthPassword;
                    continue;
                case TState::AuthPassword:
                case TState::AuthPlain:
                    out += "235 2.7.0 Authentication successful\r\n";
                    state = TState::Command;
                    continue;
                case TState::Command:
                    break;
            }
            if (upper.rfind("EHLO", 0) == 0) {
                out +=
                    "250-sink.local\r\n250-PIPELINING\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n";
            } else if (upper.rfind("AUTH LOGIN", 0) == 0) {
                out += "334 VXNlcm5hbWU6\r\n";
                state = TState::AuthUser;
            } else if (upper.rfind("AUTH PLAIN", 0) == 0) {
                if (line.size() > 11) {
                    out += "235 2.7.0 Authentication successful\r\n";
                } else {
                    out += "334 \r\n";
                    state = TState::AuthPlain;
                }
            } else if (upper.rfind("DATA", 0) == 0) {
                out += "354 End data with <CR><LF>.<CR><LF>\r\n";
                state = TState::Data;
            } else if (upper.rfind("QUIT", 0) == 0) {
                out += "221 2.0.0 Bye\r\n";
                flush();
                open = false;
            } else {
                out += "250 2.0.0 Ok\r\n";
            }
        }
        in.erase(0, start);
        open = open && flush();
    }
    ::close(fd);
}

}  // namespace brivano::bench
