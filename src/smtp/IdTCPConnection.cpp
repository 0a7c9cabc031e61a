#include "smtp/IdTCPConnection.h"

#include "exception/IdException.h"
#include "smtp/IdReplyRFC.h"
#include "text/Testo.h"

namespace {

// Bounds every wait of one reply by one deadline, for as long as it lives.
class TReplyDeadline {
  public:
    explicit TReplyDeadline(TIdIOHandler& io) : io_(io) {
        if (io.ReadTimeout() > 0)
            io.SetReadDeadline(std::chrono::steady_clock::now() +
                               std::chrono::milliseconds(io.ReadTimeout()));
    }
    ~TReplyDeadline() { io_.SetReadDeadline(std::nullopt); }
    TReplyDeadline(const TReplyDeadline&) = delete;
    TReplyDeadline& operator=(const TReplyDeadline&) = delete;

  private:
    TIdIOHandler& io_;
};

}  // namespace

TIdTCPConnection::TIdTCPConnection() : lastReply_(std::make_unique<TIdReplyRFC>()) {}

TIdTCPConnection::~TIdTCPConnection() = default;

void TIdTCPConnection::SetIOHandler(std::unique_ptr<TIdIOHandler> ioHandler) {
    ioHandler_ = std::move(ioHandler);
}

bool TIdTCPConnection::Connected() {
    return ioHandler_ && ioHandler_->Connected();
}

void TIdTCPConnection::Disconnect(bool notifyPeer) {
    auto closeChannel = [this] {
        if (!ioHandler_) return;
        if (ioHandler_->Opened()) {
            DoStatus(hsDisconnecting);
            ioHandler_->Close();
            if (onDisconnected_) onDisconnected_();
            DoStatus(hsDisconnected);
        }
        // Left-over input of a connection we ended would make the next connect
        // report "Already connected."; it belongs to no later exchange.
        if (ioHandler_->InputBuffer()) ioHandler_->InputBuffer()->Clear();
    };
    try {
        if (notifyPeer && Connected()) DisconnectNotifyPeer();
    } catch (...) {
        closeChannel();
        throw;
    }
    closeChannel();
}

int TIdTCPConnection::ReadReply(const std::vector<int>& accepted) {
    if (!ioHandler_) throw EIdNotConnected("Not connected.");
    TReplyDeadline deadline(*ioHandler_);
    std::size_t count = 0;
    std::size_t bytes = 0;
    auto next = [&] {
        if (maxReplyLines_ > 0 && count >= maxReplyLines_) throw EIdReplyTooLarge();
        std::string line = ioHandler_->ReadLn();
        ++count;
        bytes += line.size() + 2;
        if (maxReplyBytes_ > 0 && bytes > maxReplyBytes_) throw EIdReplyTooLarge();
        return line;
    };
    // Blank lines before the reply are skipped, but count against its limits.
    std::vector<std::string> lines;
    std::string first;
    do first = brivano::Trim(next());
    while (first.empty());
    lines.push_back(std::move(first));
    while (!lastReply_->IsEndLine(lines.back())) lines.push_back(next());
    lastReply_->SetFormattedReply(lines);
    return lastReply_->Check(accepted);
}

int TIdTCPConnection::SendCommand(const std::string& command, const std::vector<int>& accepted) {
    if (!ioHandler_) throw EIdNotConnected("Not connected.");
    ioHandler_->WriteLn(command);
    return ReadReply(accepted);
}

int TIdTCPConnection::SendCommand(const std::string& command, int accepted) {
    return SendCommand(command, accepted == -1 ? std::vector<int>{} : std::vector<int>{accepted});
}

void TIdTCPConnection::RaiseReplyError() const {
    lastReply_->RaiseReplyError();
}
