#pragma once
// An in-memory channel for tests: the server side is a script of input chunks,
// and every raw send is recorded as its own chunk (so a test can tell "one
// send" from several). Opening needs no host; the source exists from Open to
// Close.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "exception/IdException.h"
#include "smtp/IdIOHandler.h"
#include "smtp/IdStackPosix.h"

class TMemoryIOHandler : public TIdIOHandler {
  public:
    // One receive delivers at most one chunk (and at most RecvBufferSize bytes).
    void Feed(const std::string& chunk) {
        if (!chunk.empty()) input_.push_back(chunk);
    }
    // When the script runs out: true (default) the peer closes; false it stays
    // silent, and a read reports a time-out at once instead of waiting forever.
    void SetCloseAtEnd(bool close) { closeAtEnd_ = close; }
    // A raw send accepts at most this many bytes (0: all).
    void SetSendLimit(std::size_t limit) { sendLimit_ = limit; }
    // Raw sends accept nothing, as when the peer has gone.
    void SetRefuseSends(bool refuse) { refuseSends_ = refuse; }
    // The n-th raw receive or send (counted from 1; 0: none) fails as on a
    // connection the peer reset: a socket error, as the real channel raises.
    void SetFailingReceive(int n) { failingReceive_ = n; }
    void SetFailingSend(int n) { failingSend_ = n; }
    static int ResetCode() { return TIdStackPosix::TranslateErrno(ECONNRESET); }

    const std::vector<std::string>& Sends() const { return sends_; }
    std::string Output() const {
        std::string all;
        for (const auto& chunk : sends_) all += chunk;
        return all;
    }
    void ClearOutput() { sends_.clear(); }
    int ReceiveCount() const { return receives_; }
    int SendCount() const { return sendCalls_; }
    bool InputLeft() const { return !input_.empty(); }

    void Open() override {
        TIdIOHandler::Open();
        allocated_ = true;
    }

  protected:
    bool SourceAllocated() const override { return allocated_; }
    void CloseSource() override { allocated_ = false; }
    bool Readable(int) override { return !input_.empty() || closeAtEnd_; }
    std::size_t RecvRaw(char* buffer, std::size_t size) override {
        if (++receives_ == failingReceive_) RaiseSocketError(ResetCode());
        if (input_.empty()) return 0;
        std::string& chunk = input_.front();
        std::size_t count = std::min(size, chunk.size());
        std::memcpy(buffer, chunk.data(), count);
        chunk.erase(0, count);
        if (chunk.empty()) input_.pop_front();
        return count;
    }
    std::size_t SendRaw(const char* data, std::size_t size) override {
        if (++sendCalls_ == failingSend_) RaiseSocketError(ResetCode());
        if (refuseSends_) return 0;
        std::size_t count = sendLimit_ == 0 ? size : std::min(size, sendLimit_);
        sends_.emplace_back(data, count);
        return count;
    }

  private:
    std::deque<std::string> input_;
    bool closeAtEnd_ = true;
    std::size_t sendLimit_ = 0;
    bool refuseSends_ = false;
    bool allocated_ = false;
    int receives_ = 0;
    int sendCalls_ = 0;
    int failingReceive_ = 0;
    int failingSend_ = 0;
    std::vector<std::string> sends_;
};
