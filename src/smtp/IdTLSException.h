#pragma once
// Exceptions of the encrypted connection. They carry no library types, so a
// caller can tell a refused certificate from a failed handshake without
// knowing what does the encryption.

#include <ctime>
#include <string>

#include "exception/IdException.h"

// The handshake failed, the encrypted session broke, or the connection has no
// way to encrypt. Nothing more was sent; the socket is closed.
class EIdTLSError : public EIdException {
  public:
    using EIdException::EIdException;
};

// Why the server's certificate was refused.
enum class TIdCertificateFault {
    Expired,      // its validity ended
    NotYetValid,  // its validity has not begun
    Untrusted,    // no trusted authority vouches for it (self-signed included)
    WrongName,    // issued for another host name or address
    Other,        // anything else (revoked, malformed, unusable key ...)
};

// What a user needs to judge a server's certificate.
struct TIdCertificateSummary {
    std::string Subject;  // its owner, e.g. "CN=relay.example.it,O=Ditta"
    std::string Issuer;
    std::time_t ValidFrom = 0;   // UTC
    std::time_t ValidUntil = 0;  // UTC
    // SHA-256 of the certificate, upper-case hex pairs joined by ':'.
    std::string Fingerprint;
};

// One certificate the user chose to accept for one host and port, though no
// trusted authority vouches for it (a firm's own relay, self-signed).
struct TIdTrustedCertificate {
    std::string Host;
    int Port = 0;
    std::string Fingerprint;

    bool Empty() const { return Fingerprint.empty(); }
    bool operator==(const TIdTrustedCertificate&) const = default;
};

// The server's certificate was refused; Detail() is the verifier's own text.
class EIdTLSCertificateRefused : public EIdTLSError {
  public:
    EIdTLSCertificateRefused(TIdCertificateFault reason, const std::string& detail,
                             TIdCertificateSummary certificate = {}, std::string host = {},
                             int port = 0);
    TIdCertificateFault Reason() const { return reason_; }
    const std::string& Detail() const { return detail_; }
    // The refused certificate (empty when the server sent none) and the
    // server it came from.
    const TIdCertificateSummary& Certificate() const { return certificate_; }
    const std::string& Host() const { return host_; }
    int Port() const { return port_; }

    // "expired", "not yet valid", "untrusted", "wrong name" or "refused".
    static const char* ReasonText(TIdCertificateFault reason);

  private:
    TIdCertificateFault reason_;
    std::string detail_;
    TIdCertificateSummary certificate_;
    std::string host_;
    int port_;
};

// TLS was required and the server does not offer STARTTLS; the session
// stopped before any login or envelope command.
class EIdTLSNotOffered : public EIdTLSError {
  public:
    EIdTLSNotOffered()
        : EIdTLSError("The server does not offer STARTTLS; nothing was sent unencrypted.") {}
};
