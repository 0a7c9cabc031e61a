#include "smtp/IdIOHandlerSocket.h"

TIdIOHandlerSocket::TIdIOHandlerSocket() : binding_(std::make_unique<TIdSocketHandle>()) {}

TIdIOHandlerSocket::~TIdIOHandlerSocket() = default;

void TIdIOHandlerSocket::Open() {
    TIdIOHandler::Open();
    binding_->Reset();
    binding_->SetIPVersion(IPVersion());
    if (!Host().empty() && Port() > 0) ConnectClient();
}

void TIdIOHandlerSocket::ConnectClient() {
    binding_->AllocateSocket();
    binding_->Bind();
    binding_->SetNagle(useNagle_);
    std::string ip = ResolveHost(Host());
    DoStatus(hsConnecting, ip);
    binding_->Connect(ip, Port(), ConnectTimeout(), AbortFlag());
    binding_->UpdateBindings();
}
