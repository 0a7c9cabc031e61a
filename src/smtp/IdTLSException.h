#pragma once
// Exceptions of the encrypted connection. They carry no library types, so a
// caller can tell a refused certificate from a failed handshake without
// knowing what does the encryption.

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

// The server's certificate was refused; Detail() is the verifier's own text.
class EIdTLSCertificateRefused : public EIdTLSError {
  public:
    EIdTLSCertificateRefused(TIdCertificateFault reason, const std::string& detail);
    TIdCertificateFault Reason() const { return reason_; }
    const std::string& Detail() const { return detail_; }

    // "expired", "not yet valid", "untrusted", "wrong name" or "refused".
    static const char* ReasonText(TIdCertificateFault reason);

  private:
    TIdCertificateFault reason_;
    std::string detail_;
};

// TLS was required and the server does not offer STARTTLS; the session
// stopped before any login or envelope command.
class EIdTLSNotOffered : public EIdTLSError {
  public:
    EIdTLSNotOffered()
        : EIdTLSError("The server does not offer STARTTLS; nothing was sent unencrypted.") {}
};
