#include "smtp/IdTCPClient.h"

#include "exception/IdException.h"
#include "smtp/IdIOHandlerStack.h"

TIdTCPClientCustom::TIdTCPClientCustom() = default;

TIdTCPClientCustom::~TIdTCPClientCustom() = default;

void TIdTCPClientCustom::SetPort(int port) {
    if (port < 0 || port > 65535) throw EIdException("Invalid port: " + std::to_string(port));
    port_ = port;
}

void TIdTCPClientCustom::Connect() {
    if (Connected()) throw EIdAlreadyConnected();
    if (!IOHandler()) {
        SetIOHandler(std::make_unique<TIdIOHandlerStack>());
        IOHandler()->SetOnStatus(OnStatus());
    }
    TIdIOHandler& channel = *IOHandler();
    try {
        channel.SetPort(port_);
        channel.SetHost(host_);
        channel.SetIPVersion(ipVersion_);
        if (connectTimeout_ > 0) channel.SetConnectTimeout(connectTimeout_);
        if (readTimeout_ > 0) channel.SetReadTimeout(readTimeout_);
        channel.SetWriteTimeout(writeTimeout_);
        channel.SetAbortFlag(abortFlag_);
        channel.Open();
        DoStatus(hsConnected, host_);
        if (onConnected_) onConnected_();
    } catch (...) {
        channel.Close();
        throw;
    }
}
