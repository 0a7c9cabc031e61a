#pragma once
// A client that can encrypt its connection: the server's capability list and
// the TLS setting.
//
//   utNoTLSSupport    plain, unless the protocol must encrypt before it
//                     sends a password (see the SMTP client); that
//                     encryption nobody asked for does not check the
//                     server's certificate
//   utUseImplicitTLS  the handshake follows the TCP connect at once
//   utUseExplicitTLS  the protocol's STARTTLS when the server offers it
//   utUseRequireTLS   STARTTLS; a server that does not offer it ends the
//                     session with EIdTLSNotOffered
//
// Without a channel of its own the client creates a TLS-capable one, which
// stays plain byte for byte until asked to encrypt.

#include <string>
#include <vector>

#include "smtp/IdTCPClient.h"
#include "smtp/IdTLSException.h"

class TIdIOHandlerTLS;

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
    // A certificate accepted for its host and port though unchecked.
    void SetTrustedCertificate(const TIdTrustedCertificate& trusted) { trusted_ = trusted; }

    // Opens the connection; with utUseImplicitTLS the handshake is part of it
    // (EIdTLSError without a TLS-capable channel, before connecting).
    void Connect() override;

    // Whether the connection is encrypted now.
    bool TLSActive() const;
    // Whether the channel could encrypt the connection.
    bool CanStartTLS() const { return TLSChannel() != nullptr; }

  protected:
    // Handshake on the open plain connection, once the protocol agreed to it.
    void UpgradeToTLS();
    TIdIOHandlerTLS* TLSChannel() const;

  private:
    // Hands the settings to the channel.
    void ConfigureChannel(TIdIOHandlerTLS& channel) const;

    std::vector<std::string> capabilities_;
    TIdUseTLS useTLS_ = utNoTLSSupport;
    TIdTrustedCertificate trusted_;
};
