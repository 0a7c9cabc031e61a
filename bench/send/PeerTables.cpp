#include "PeerTables.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "DelayedSink.h"
#include "LoopbackServer.h"
#include "SendRun.h"

namespace brivano::bench {

namespace {

const char* const User = "bench@example.it";
const char* const Password = "segreta";

struct TRow {
    const char* Name;
    long Messages;
    double Seconds;
    long Waits;  // -1: not counted
};

void PrintRows(const std::vector<TRow>& rows) {
    std::printf("  %-42s %6s %8s %10s %11s %7s\n", "client", "msgs", "s", "msg/s", "waits/msg",
                "rate");
    const double base =
        rows.empty() ? 1 : static_cast<double>(rows.front().Messages) / rows.front().Seconds;
    for (const auto& r : rows) {
        const double rate = static_cast<double>(r.Messages) / r.Seconds;
        char waits[32] = "-";
        if (r.Waits >= 0)
            std::snprintf(waits, sizeof waits, "%.2f",
                          static_cast<double>(r.Waits) / static_cast<double>(r.Messages));
        std::printf("  %-42s %6ld %8.3f %10.1f %11s %6.1fx\n", r.Name, r.Messages, r.Seconds, rate,
                    waits, rate / base);
    }
}

bool Delivered(const TSendFigures& f, long count, const char* name) {
    if (static_cast<long>(f.Outcome.Inviati) == count) return true;
    std::printf("  %s: %zu of %ld sent%s%s\n", name, f.Outcome.Inviati, count,
                f.Outcome.Falliti.empty() ? "" : ", first failure: ",
                f.Outcome.Falliti.empty() ? "" : f.Outcome.Falliti.front().Errore.c_str());
    return false;
}

// Our three runs and smtplib's two against one port; `waits` reads the
// sink's count of client waits since the last call (none: not counted).
int FiveRuns(int port, long perMessageCount, long reuseCount, const std::string& user,
             const std::function<long()>& waits) {
    int status = 0;
    std::vector<TRow> rows;
    struct TOurs {
        const char* Name;
        long Count;
        int PerConnection;
        int Connections;
    };
    const TOurs ours[] = {
        {"send_bench, one connection per message", perMessageCount, 1, 1},
        {"send_bench, reuse", reuseCount, static_cast<int>(reuseCount), 1},
        {"send_bench, reuse over 4 connections", reuseCount, static_cast<int>(reuseCount), 4},
    };
    for (const auto& o : ours) {
        TSendSetup setup;
        setup.Port = port;
        setup.Count = o.Count;
        setup.User = User;
        setup.Password = user.empty() ? "" : Password;
        setup.PerConnection = o.PerConnection;
        setup.Connections = o.Connections;
        if (waits) waits();
        const TSendFigures f = SendMessages(setup);
        if (!Delivered(f, o.Count, o.Name)) status = 1;
        rows.push_back({o.Name, o.Count, f.Seconds, waits ? waits() : -1});
    }
    struct TPeer {
        const char* Name;
        long Count;
        const char* Mode;
    };
    const TPeer peers[] = {
        {"smtplib, one connection per message", perMessageCount, "per-message"},
        {"smtplib, one connection for all", reuseCount, "one-connection"},
    };
    for (const auto& p : peers) {
        if (waits) waits();
        const auto seconds = SmtplibSeconds(port, p.Count, p.Mode, user, Password);
        if (!seconds) {
            std::printf("  %s: failed\n", p.Name);
            status = 1;
            continue;
        }
        rows.push_back({p.Name, p.Count, *seconds, waits ? waits() : -1});
    }
    PrintRows(rows);
    return status;
}

// The loopback port a process listens on after binding port 0 itself: its
// socket inodes matched against /proc/net/tcp; 0 while there is none.
int ListeningPort(pid_t pid) {
    std::set<std::string> inodes;
    const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.rfind("socket:[", 0) == 0) inodes.insert(target.substr(8, target.size() - 9));
    }
    std::ifstream table("/proc/net/tcp");
    std::string row;
    std::getline(table, row);
    while (std::getline(table, row)) {
        std::istringstream fields(row);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
            timeout >> inode;
        if (state == "0A" && inodes.count(inode) && local.size() > 9)
            return static_cast<int>(std::stoul(local.substr(9), nullptr, 16));
    }
    return 0;
}

bool Listening(int port) {
    for (int i = 0; i < 100; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (ok) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// A loopback server whose every connection runs `behave` on its own thread;
// `stop` turns true when the table moves on.
class TMisbehavingServer {
  public:
    using TBehaviour = std::function<void(int fd, const std::atomic<bool>& stop)>;
    explicit TMisbehavingServer(TBehaviour behave) : behave_(std::move(behave)) {
        listener_ = smtptest::BindLoopback(port_, true);
        acceptor_ = std::thread([this] {
            while (!stop_) {
                pollfd entry{listener_, POLLIN, 0};
                if (::poll(&entry, 1, 50) != 1) continue;
                const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0) continue;
                sessions_.emplace_back([this, fd] {
                    behave_(fd, stop_);
                    ::close(fd);
                });
            }
        });
    }
    ~TMisbehavingServer() {
        stop_ = true;
        acceptor_.join();
        for (auto& t : sessions_) t.join();
        ::close(listener_);
    }
    TMisbehavingServer(const TMisbehavingServer&) = delete;
    TMisbehavingServer& operator=(const TMisbehavingServer&) = delete;
    int Port() const { return port_; }

  private:
    TBehaviour behave_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::vector<std::thread> sessions_;
    std::thread acceptor_;
};

bool Send(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// One command line from the client (bounded wait); "" when it went away.
std::string ReadLine(int fd, const std::atomic<bool>& stop) {
    std::string line;
    char c = 0;
    while (!stop && line.size() < 4096) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 100) != 1) continue;
        if (::recv(fd, &c, 1, 0) != 1) return "";
        line += c;
        if (c == '\n') return line;
    }
    return "";
}

// Willing replies up to `upTo` commands after the greeting.
bool Willing(int fd, const std::atomic<bool>& stop, int commands) {
    if (!Send(fd, "220 test.local ESMTP\r\n")) return false;
    for (int i = 0; i < commands; ++i) {
        const std::string line = ReadLine(fd, stop);
        if (line.empty()) return false;
        if (!Send(fd, line.rfind("DATA", 0) == 0 ? "354 go ahead\r\n" : "250 OK\r\n")) return false;
    }
    return true;
}

}  // namespace

int RoundTripTable(int delayMs, long perMessageCount, long reuseCount) {
    TDelayedSink sink(delayMs);
    if (!sink.Ready()) {
        std::printf("delayed sink: no loopback port\n");
        return 1;
    }
    std::printf("Delayed sink, %d ms per client wait (PIPELINING, AUTH LOGIN PLAIN offered):\n",
                delayMs);
    return FiveRuns(sink.Port(), perMessageCount, reuseCount, User,
                    [&sink] { return sink.Take().Waits; });
}

int SmtpSinkTable(long count) {
    const char* const tool = "/usr/sbin/smtp-sink";
    if (::access(tool, X_OK) != 0) {
        std::printf("smtp-sink: skipped, %s is not installed (Debian package postfix)\n", tool);
        return 0;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        // Port 0: the tool binds a port of its own, read back from /proc.
        ::execl(tool, "smtp-sink", "-a", "-u", "nobody", "127.0.0.1:0", "256",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 1;
    int port = 0;
    for (int i = 0; pid > 0 && port == 0 && i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        port = ListeningPort(pid);
    }
    if (port > 0 && Listening(port)) {
        std::printf("smtp-sink (no delay, no login offered):\n");
        status = FiveRuns(port, count, count, "", nullptr);
    } else {
        std::printf("smtp-sink: did not start\n");
    }
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    return status;
}

int MisbehavingTable(int limitMs) {
    struct TCase {
        const char* Name;
        TMisbehavingServer::TBehaviour Behave;
        std::size_t BodyBytes;
    };
    const TCase cases[] = {
        {"endless multi-line reply",
         [](int fd, const std::atomic<bool>& stop) {
             for (long i = 0; i < 100000000 && !stop && Send(fd, "220-ancora una riga\r\n"); ++i) {
             }
         },
         0},
        {"one byte a second",
         [](int fd, const std::atomic<bool>& stop) {
             const std::string greeting = "220 lentissimo\r\n";
             for (std::size_t i = 0; i < 600 && !stop; ++i) {
                 if (!Send(fd, greeting.substr(i % greeting.size(), 1))) return;
                 for (int t = 0; t < 10 && !stop; ++t)
                     std::this_thread::sleep_for(std::chrono::milliseconds(100));
             }
         },
         0},
        {"endless blank lines",
         [](int fd, const std::atomic<bool>& stop) {
             for (long i = 0; i < 100000000 && !stop && Send(fd, "\r\n\r\n\r\n\r\n"); ++i) {
             }
         },
         0},
        {"stops reading after 354",
         [](int fd, const std::atomic<bool>& stop) {
             if (!Willing(fd, stop, 5)) return;
             while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(50));
         },
         std::size_t{8} << 20},
        {"3 MB error text",
         [](int fd, const std::atomic<bool>& stop) {
             if (!Willing(fd, stop, 3)) return;
             if (ReadLine(fd, stop).empty()) return;
             const std::string line = "550-" + std::string(996, 'e') + "\r\n";
             for (int i = 0; i < 3000 && !stop && Send(fd, line); ++i) {
             }
             Send(fd, "550 fine\r\n");
         },
         0},
    };
    std::printf("Misbehaving servers, 2 recipients each, every wait limited to %d ms:\n", limitMs);
    std::printf("  %-28s %12s %22s %8s\n", "server", "peak memory", "longest per recipient",
                "failed");
    int status = 0;
    for (const auto& c : cases) {
        TMisbehavingServer server(c.Behave);
        struct TFigures {
            double LongestSettle;
            long Failed;
        } figures{};
        const TChildUsage usage = InChild<TFigures>(
            [&](TFigures& mine) {
                TSendSetup setup;
                setup.Port = server.Port();
                setup.Count = 2;
                setup.LimitMs = limitMs;
                setup.BodyBytes = c.BodyBytes;
                const TSendFigures f = SendMessages(setup);
                mine.LongestSettle = f.LongestSettle;
                mine.Failed = static_cast<long>(f.Outcome.Falliti.size());
                return true;
            },
            figures);
        if (!usage.ok || figures.Failed != 2) status = 1;
        std::printf("  %-28s %9.1f MB %20.2f s %8ld\n", c.Name,
                    static_cast<double>(usage.maxRssKb) / 1024.0, figures.LongestSettle,
                    figures.Failed);
    }
    return status;
}

}  // namespace brivano::bench
