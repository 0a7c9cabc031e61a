// Composes and writes 100,000 messages (the mailing window's 26-line body, an
// accented subject, one recipient parsed from its text) into a channel that
// drops what it is given, and copies the same bytes in the same pieces as the
// limit of this path; prints messages/s and MB/s of each and their ratio.
// Rates are per second of the thread's CPU time, which a busy machine does not
// distort; the wall-clock figures are printed beside them.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "SampleMessage.h"
#include "smtp/IdMessageClient.h"

namespace {

constexpr int kMessages = 100000;

// A channel that accepts every send and only counts it.
class TNullIOHandler : public TIdIOHandler {
  public:
    void Open() override {
        TIdIOHandler::Open();
        allocated_ = true;
    }
    std::size_t Bytes() const { return bytes_; }
    // The pieces of the last message, for the plain copy.
    std::vector<std::string>& Recorded() { return recorded_; }
    void SetRecording(bool on) { recording_ = on; }

  protected:
    bool SourceAllocated() const override { return allocated_; }
    void CloseSource() override { allocated_ = false; }
    bool Readable(int) override { return false; }
    std::size_t RecvRaw(char*, std::size_t) override { return 0; }
    std::size_t SendRaw(const char* data, std::size_t size) override {
        bytes_ += size;
        if (recording_) recorded_.emplace_back(data, size);
        return size;
    }

  private:
    bool allocated_ = false;
    bool recording_ = false;
    std::size_t bytes_ = 0;
    std::vector<std::string> recorded_;
};

// Wall-clock and CPU time of this thread since construction.
class TStopwatch {
  public:
    TStopwatch() : wall_(std::chrono::steady_clock::now()), cpu_(Cpu()) {}
    double WallSeconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
    }
    double CpuSeconds() const { return Cpu() - cpu_; }

  private:
    static double Cpu() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
    }
    std::chrono::steady_clock::time_point wall_;
    double cpu_;
};

struct TRate {
    double seconds = 0;
    double wallSeconds = 0;
    double messages = 0;
    double bytes = 0;
    double PerSecond(double amount) const { return seconds > 0 ? amount / seconds : 0; }
};

TRate gPlain;
TRate gAsciiBody;
TRate gAccentedBody;

const char* const kAccentedLines[] = {"Città di Roma, novità di primavera.",
                                      "Perché aspettare? Più sconti per tutti."};

class TComposer {
  public:
    explicit TComposer(bool accentedBody) {
        auto channel = std::make_unique<TNullIOHandler>();
        io_ = channel.get();
        client_.SetIOHandler(std::move(channel));
        io_->Open();
        message_.From().SetAddress("mittente@example.it");
        message_.SetSubject("Offerta speciale di primavera: novità per la vostra città");
        message_.SetBodyText(sample::BodyText());
        if (accentedBody)
            for (std::size_t i = 0; i < std::size(kAccentedLines); ++i)
                message_.Body()[i + 2] = kAccentedLines[i];
    }

    void Send(int n) {
        message_.Recipients().SetListText("cliente" + std::to_string(n) + "@example.it");
        client_.WriteMessage(message_);
    }

    TNullIOHandler& Channel() { return *io_; }

  private:
    TIdMessageClient client_;
    TIdMessage message_;
    TNullIOHandler* io_;
};

void Report(benchmark::State& state, TRate& total, double bytes, const TStopwatch& watch) {
    const double seconds = watch.CpuSeconds();
    total.seconds += seconds;
    total.wallSeconds += watch.WallSeconds();
    total.messages += kMessages;
    total.bytes += bytes;
    state.SetIterationTime(seconds);
    state.counters["msg/s"] =
        benchmark::Counter(kMessages, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB/s"] =
        benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void Compose(benchmark::State& state, bool accentedBody, TRate& total) {
    TComposer composer(accentedBody);
    for (auto _ : state) {
        std::size_t before = composer.Channel().Bytes();
        TStopwatch watch;
        for (int n = 0; n < kMessages; ++n) composer.Send(n);
        Report(state, total, static_cast<double>(composer.Channel().Bytes() - before), watch);
    }
}

void BM_ComposeAsciiBody(benchmark::State& state) {
    Compose(state, false, gAsciiBody);
}
void BM_ComposeAccentedBody(benchmark::State& state) {
    Compose(state, true, gAccentedBody);
}

// The same pieces a message goes out in, copied into one reused buffer.
void BM_PlainCopy(benchmark::State& state) {
    TComposer composer(false);
    composer.Channel().SetRecording(true);
    composer.Send(0);
    const std::vector<std::string> pieces = composer.Channel().Recorded();
    std::string sink;
    sink.reserve(8192);
    for (auto _ : state) {
        double bytes = 0;
        TStopwatch watch;
        for (int n = 0; n < kMessages; ++n) {
            sink.clear();
            for (const auto& piece : pieces) sink.append(piece);
            benchmark::DoNotOptimize(sink.data());
            bytes += static_cast<double>(sink.size());
        }
        Report(state, gPlain, bytes, watch);
    }
}

BENCHMARK(BM_PlainCopy)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeAsciiBody)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeAccentedBody)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Headers as on an Italian desktop: ISO-8859-1, letter Q.
    setenv("LC_ALL", "it_IT.UTF-8", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto print = [](const char* name, const TRate& rate) {
        std::printf(
            "%-24s %10.0f messages/s %8.1f MB/s  (wall clock: %9.0f messages/s)  %5.0f "
            "bytes/message\n",
            name, rate.PerSecond(rate.messages), rate.PerSecond(rate.bytes) / 1e6,
            rate.wallSeconds > 0 ? rate.messages / rate.wallSeconds : 0.0,
            rate.messages > 0 ? rate.bytes / rate.messages : 0.0);
    };
    print("plain copy (limit)", gPlain);
    print("compose, ASCII body", gAsciiBody);
    print("compose, accented body", gAccentedBody);
    std::printf("per CPU second of this thread, %d messages per run\n", kMessages);
    if (gPlain.bytes > 0 && gAsciiBody.seconds > 0)
        std::printf("ratio (compose / plain copy, bytes/s): %.3f ASCII body, %.3f accented body\n",
                    gAsciiBody.PerSecond(gAsciiBody.bytes) / gPlain.PerSecond(gPlain.bytes),
                    gAccentedBody.PerSecond(gAccentedBody.bytes) / gPlain.PerSecond(gPlain.bytes));
    return 0;
}
