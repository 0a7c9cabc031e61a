// Reads 1,000,000 short reply lines from a loopback server, once through the
// line reader and once with a plain recv loop that only counts LFs (the
// physical limit of this path), and prints both rates and their ratio.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "LoopbackServer.h"
#include "exception/IdException.h"
#include "smtp/IdTCPClient.h"

namespace {

constexpr int kLines = 1000000;
constexpr int kWaitMs = 10000;

// Typical reply lines: EHLO capabilities and envelope answers.
std::string MakePayload() {
    static const char* const kReplies[] = {
        "250-mail.example.invalid Hello\r\n",
        "250-PIPELINING\r\n",
        "250-SIZE 10240000\r\n",
        "250-AUTH LOGIN PLAIN\r\n",
        "250-8BITMIME\r\n",
        "250 2.1.0 Ok\r\n",
        "250 2.1.5 Ok\r\n",
        "354 End data\r\n",
    };
    std::string payload;
    for (int i = 0; i < kLines; ++i) payload += kReplies[i % std::size(kReplies)];
    return payload;
}

const std::string& Payload() {
    static const std::string payload = MakePayload();
    return payload;
}

// Accepts one connection per round and sends the payload; every wait bounded.
class TSender {
  public:
    explicit TSender(int rounds) {
        listener_ = smtptest::BindLoopback(port_, true, 4);
        thread_ = std::thread([this, rounds] {
            for (int i = 0; i < rounds; ++i) {
                pollfd entry{listener_, POLLIN, 0};
                if (::poll(&entry, 1, kWaitMs) != 1) return;
                int fd = ::accept(listener_, nullptr, nullptr);
                if (fd < 0) return;
                timeval limit{kWaitMs / 1000, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
                const std::string& bytes = Payload();
                std::size_t sent = 0;
                while (sent < bytes.size()) {
                    ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                    if (n <= 0) break;
                    sent += static_cast<std::size_t>(n);
                }
                ::close(fd);
            }
        });
    }
    ~TSender() {
        thread_.join();
        ::close(listener_);
    }
    int Port() const { return port_; }

  private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

struct TRate {
    double seconds = 0;
    long lines = 0;
    double bytes = 0;
    double LinesPerSecond() const { return seconds > 0 ? static_cast<double>(lines) / seconds : 0; }
};

TRate gRaw;
TRate gReader;

void Report(benchmark::State& state, TRate& total, long lines, double seconds) {
    total.seconds += seconds;
    total.lines += lines;
    total.bytes += static_cast<double>(Payload().size());
    state.SetIterationTime(seconds);
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines),
                                                   benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(Payload().size()) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RawRecvLoop(benchmark::State& state) {
    Payload();
    TSender sender(static_cast<int>(state.max_iterations));
    std::string buffer(32768, '\0');
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(sender.Port()));
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        timeval limit{kWaitMs / 1000, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        long lines = 0;
        ssize_t got;
        while ((got = ::recv(fd, buffer.data(), buffer.size(), 0)) > 0)
            lines += std::count(buffer.data(), buffer.data() + got, '\n');
        ::close(fd);
        std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        if (lines != kLines) state.SkipWithError("lines lost");
        Report(state, gRaw, lines, spent.count());
    }
}

void BM_LineReader(benchmark::State& state) {
    Payload();
    TSender sender(static_cast<int>(state.max_iterations));
    TIdTCPClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(sender.Port());
    client.SetReadTimeout(kWaitMs);
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        client.Connect();
        TIdIOHandler& channel = *client.IOHandler();
        long lines = 0;
        try {
            while (true) {
                benchmark::DoNotOptimize(channel.ReadLn());
                ++lines;
            }
        } catch (const EIdConnClosedGracefully&) {
        }
        std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        client.Disconnect(false);
        if (lines != kLines) state.SkipWithError("lines lost");
        Report(state, gReader, lines, spent.count());
    }
}

BENCHMARK(BM_RawRecvLoop)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineReader)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto print = [](const char* name, const TRate& rate) {
        std::printf("%-12s %12.0f lines/s %9.1f MB/s\n", name, rate.LinesPerSecond(),
                    rate.seconds > 0 ? rate.bytes / rate.seconds / 1e6 : 0.0);
    };
    print("raw recv", gRaw);
    print("line reader", gReader);
    if (gRaw.LinesPerSecond() > 0)
        std::printf("ratio (line reader / raw): %.2f (goal: at least 0.50)\n",
                    gReader.LinesPerSecond() / gRaw.LinesPerSecond());
    return 0;
}
