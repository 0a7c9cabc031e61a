#pragma once
// A loopback SMTP sink that charges one simulated network round trip per
// client wait: the greeting and every batch of replies (all the replies to
// what arrived in one read) leave only after a fixed delay, and each such
// batch is counted. It offers PIPELINING and AUTH LOGIN PLAIN (any
// credentials pass) and throws the messages away, counting them.

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace brivano::bench {

class TDelayedSink {
  public:
    struct TCounts {
        long Waits = 0;
        long Messages = 0;
        long Connections = 0;
    };

    // Listens on 127.0.0.1, on a port the system picks.
    explicit TDelayedSink(int delayMs);
    ~TDelayedSink();
    TDelayedSink(const TDelayedSink&) = delete;
    TDelayedSink& operator=(const TDelayedSink&) = delete;

    int Port() const { return port_; }
    bool Ready() const { return listener_ >= 0; }
    // The counts since the last call, then starts again from zero.
    TCounts Take();

  private:
    void Accept();
    void Serve(int fd);

    int delayMs_;
    int port_ = 0;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<long> waits_{0};
    std::atomic<long> messages_{0};
    std::atomic<long> connections_{0};
    std::mutex mutex_;
    std::vector<std::thread> sessions_;
    std::thread acceptor_;
};

}  // namespace brivano::bench
