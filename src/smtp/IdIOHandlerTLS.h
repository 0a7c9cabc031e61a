#pragma once
// A socket channel that can encrypt its connection with TLS (1.2 or newer):
// at once after connecting (implicit TLS), or later on the same socket when
// the protocol has agreed to it (StartTLS). Until then it is the plain
// channel, byte for byte.
//
// The server's certificate must chain to an authority the system trusts
// (the library's default places, so SSL_CERT_FILE and SSL_CERT_DIR apply) and
// must name the host that was asked for (its address, for a numeric host). A
// refused certificate raises EIdTLSCertificateRefused with the reason and a
// summary of the certificate; every
// other failure of the handshake or of the session raises EIdTLSError. Either
// way the socket is closed first, so nothing more is sent.
//
// Two ways past the check, both chosen by the caller: a certificate the user
// trusted for exactly this host, port and fingerprint; and no check at all,
// for an encryption nobody asked for (it only keeps a password off the wire
// in the clear, and a refusal there would make the server unusable).
//
// Encrypted, the socket sends each write at once (TCP_NODELAY): the channel
// writes every command or batch as one record, so nothing waits for the
// peer's acknowledgement of the one before. The clear part keeps the plain
// channel's setting.
//
// The handshake is bounded by ConnectTimeout (or, when that is 0, by
// ReadTimeout). Once encrypted, the socket is non-blocking and every wait is
// a poll on it, so the read limits of the line layer apply unchanged; bytes
// the engine has already decrypted count as readable without a poll.

#include <memory>
#include <string>

#include "smtp/IdIOHandlerStack.h"
#include "smtp/IdTLSException.h"

class TIdIOHandlerTLS : public TIdIOHandlerStack {
  public:
    TIdIOHandlerTLS();
    ~TIdIOHandlerTLS() override;

    // True: Open handshakes right after connecting.
    bool ImplicitTLS() const { return implicitTLS_; }
    void SetImplicitTLS(bool implicit) { implicitTLS_ = implicit; }

    // Whether the server's certificate is checked (on by default).
    bool CheckCertificate() const { return checkCertificate_; }
    void SetCheckCertificate(bool check) { checkCertificate_ = check; }
    // Accepted though unchecked when Host, Port and fingerprint all match.
    const TIdTrustedCertificate& TrustedCertificate() const { return trusted_; }
    void SetTrustedCertificate(const TIdTrustedCertificate& trusted) { trusted_ = trusted; }

    // Connects; with ImplicitTLS also handshakes.
    void Open() override;
    // Encrypts the open plain connection: unread input is dropped (it was
    // sent before the switch and may not be trusted), then the handshake runs
    // on the same socket. EIdTLSError when already encrypted or not connected.
    void StartTLS();

    bool TLSActive() const;
    // Protocol version and cipher of the session, e.g. "TLSv1.3" and
    // "TLS_AES_256_GCM_SHA384"; "" while plain.
    std::string TLSVersion() const;
    std::string TLSCipher() const;
    // Whether the last handshake resumed an earlier session with this server.
    bool SessionResumed() const;

  protected:
    void CloseSource() override;
    bool Readable(int timeoutMs) override;
    std::size_t RecvRaw(char* buffer, std::size_t size) override;
    std::size_t SendRaw(const char* data, std::size_t size) override;

  private:
    struct TEngine;

    void Handshake();
    // Waits for the socket to become readable (or writable); false on time-out.
    bool WaitSocket(bool forWrite, int timeoutMs);
    // Closes the socket without a goodbye, then raises for a failed call.
    [[noreturn]] void Fail(int sslError, const char* what);
    // Ends the session: a close notice when it is healthy, then frees it.
    void EndSession(bool notifyPeer);

    bool implicitTLS_ = false;
    bool checkCertificate_ = true;
    TIdTrustedCertificate trusted_;
    std::unique_ptr<TEngine> engine_;
};
