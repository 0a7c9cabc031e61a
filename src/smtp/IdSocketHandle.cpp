#include "smtp/IdSocketHandle.h"

#include "exception/IdException.h"

TIdSocketHandle::~TIdSocketHandle() {
    CloseSocket();
}

void TIdSocketHandle::Reset() {
    CloseSocket();
    ip_.clear();
    port_ = 0;
    peerIp_.clear();
    peerPort_ = 0;
}

void TIdSocketHandle::AllocateSocket() {
    CloseSocket();
    handle_ = Stack().NewSocketHandle(ipVersion_);
}

void TIdSocketHandle::Bind() {
    if (!Stack().Bind(handle_, std::string(), 0, ipVersion_)) throw EIdCouldNotBindSocket();
}

void TIdSocketHandle::SetNagle(bool useNagle) {
    Stack().SetNoDelay(handle_, !useNagle);
}

void TIdSocketHandle::Connect(const std::string& ip, int port, int timeoutMs,
                              const std::atomic<bool>* abort) {
    Stack().Connect(handle_, ip, port, ipVersion_, timeoutMs, abort);
}

void TIdSocketHandle::UpdateBindings() {
    Stack().GetSocketName(handle_, ip_, port_);
    Stack().GetPeerName(handle_, peerIp_, peerPort_);
}

bool TIdSocketHandle::Readable(int timeoutMs) {
    return Stack().WaitReadable(handle_, timeoutMs);
}

bool TIdSocketHandle::Writable(int timeoutMs) {
    return Stack().WaitWritable(handle_, timeoutMs);
}

std::size_t TIdSocketHandle::Receive(char* buffer, std::size_t size) {
    return Stack().Receive(handle_, buffer, size);
}

std::size_t TIdSocketHandle::Send(const char* data, std::size_t size) {
    return Stack().Send(handle_, data, size);
}

void TIdSocketHandle::CloseSocket() {
    if (!HandleAllocated()) return;
    Stack().Disconnect(handle_);
    handle_ = IdNoSocket;
}
