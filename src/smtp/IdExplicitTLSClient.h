#pragma once
// A client that could switch to TLS: the server's capability list and the TLS
// setting. There is no TLS channel, so no TLS step ever runs.

#include <string>
#include <vector>

#include "smtp/IdTCPClient.h"

enum TIdUseTLS { utNoTLSSupport, utUseImplicitTLS, utUseRequireTLS, utUseExplicitTLS };

class TIdExplicitTLSClient : public TIdTCPClientCustom {
  public:
    TIdExplicitTLSClient();
    ~TIdExplicitTLSClient() override;

    // The server's capabilities, one line each (filled by the protocol's greeting).
    std::vector<std::string>& Capabilities() { return capabilities_; }
    const std::vector<std::string>& Capabilities() const { return capabilities_; }

    TIdUseTLS UseTLS() const { return useTLS_; }
    void SetUseTLS(TIdUseTLS useTLS) { useTLS_ = useTLS; }

  private:
    std::vector<std::string> capabilities_;
    TIdUseTLS useTLS_ = utNoTLSSupport;
};
