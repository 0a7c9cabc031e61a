#include "smtp/IdTCPConnection.h"

#include <climits>

#include "smtp/IdException.h"
#include "smtp/IdReplyRFC.h"

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
    std::vector<std::string> lines;
    lines.push_back(ioHandler_->ReadLnFirst(INT_MAX));
    while (!lastReply_->IsEndLine(lines.back())) lines.push_back(ioHandler_->ReadLn());
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
