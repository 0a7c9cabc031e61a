#include "smtp/IdExplicitTLSClient.h"

#include "smtp/IdIOHandlerTLS.h"
#include "smtp/IdTLSException.h"

TIdExplicitTLSClient::TIdExplicitTLSClient() = default;

TIdExplicitTLSClient::~TIdExplicitTLSClient() = default;

TIdIOHandlerTLS* TIdExplicitTLSClient::TLSChannel() const {
    return dynamic_cast<TIdIOHandlerTLS*>(IOHandler());
}

bool TIdExplicitTLSClient::TLSActive() const {
    const TIdIOHandlerTLS* channel = TLSChannel();
    return channel != nullptr && channel->TLSActive();
}

void TIdExplicitTLSClient::Connect() {
    if (!IOHandler()) {
        SetIOHandler(std::make_unique<TIdIOHandlerTLS>());
        IOHandler()->SetOnStatus(OnStatus());
    }
    TIdIOHandlerTLS* channel = TLSChannel();
    if (channel != nullptr) {
        channel->SetImplicitTLS(useTLS_ == utUseImplicitTLS);
        ConfigureChannel(*channel);
    } else if (useTLS_ == utUseImplicitTLS) {
        throw EIdTLSError("This connection cannot be encrypted.");
    }
    TIdTCPClientCustom::Connect();
}

void TIdExplicitTLSClient::UpgradeToTLS() {
    TIdIOHandlerTLS* channel = TLSChannel();
    if (channel == nullptr) throw EIdTLSError("This connection cannot be encrypted.");
    ConfigureChannel(*channel);
    channel->StartTLS();
}

void TIdExplicitTLSClient::ConfigureChannel(TIdIOHandlerTLS& channel) const {
    channel.SetCheckCertificate(useTLS_ != utNoTLSSupport);
    channel.SetTrustedCertificate(trusted_);
}
