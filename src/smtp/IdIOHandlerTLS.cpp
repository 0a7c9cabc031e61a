#include "smtp/IdIOHandlerTLS.h"

#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <ctime>

#include "smtp/IdStackPosix.h"
#include "smtp/IdTLSException.h"
#include "smtp/IdTLSSocketIO.h"
#include "text/Testo.h"

namespace {

using TClock = std::chrono::steady_clock;

// Milliseconds left until the deadline (none: -1, no limit).
int Left(const TClock::time_point* deadline) {
    if (deadline == nullptr) return -1;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - TClock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

TIdCertificateFault FaultOf(long verifyResult) {
    switch (verifyResult) {
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return TIdCertificateFault::Expired;
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return TIdCertificateFault::NotYetValid;
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
        case X509_V_ERR_EMAIL_MISMATCH:
            return TIdCertificateFault::WrongName;
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_CERT_UNTRUSTED:
        case X509_V_ERR_CERT_REJECTED:
            return TIdCertificateFault::Untrusted;
        default:
            return TIdCertificateFault::Other;
    }
}

// The library's reason for the oldest queued error, or `fallback`.
std::string QueuedReason(const char* fallback) {
    const unsigned long code = ERR_peek_error();
    const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
    ERR_clear_error();
    return reason != nullptr ? reason : fallback;
}

bool IsNumericHost(const std::string& host) {
    return TIdStack::IsIPv4Dotted(host) || host.find(':') != std::string::npos;
}

std::string NameText(const X509_NAME* name) {
    BIO* out = BIO_new(BIO_s_mem());
    if (out == nullptr) return {};
    X509_NAME_print_ex(out, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long size = BIO_get_mem_data(out, &data);
    std::string text(data != nullptr && size > 0 ? data : "", size > 0 ? size : 0);
    BIO_free(out);
    return text;
}

std::time_t TimeOf(const ASN1_TIME* time) {
    std::tm parts{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) return 0;
    return ::timegm(&parts);
}

TIdCertificateSummary SummaryOf(X509* certificate) {
    TIdCertificateSummary summary;
    if (certificate == nullptr) return summary;
    summary.Subject = NameText(X509_get_subject_name(certificate));
    summary.Issuer = NameText(X509_get_issuer_name(certificate));
    summary.ValidFrom = TimeOf(X509_get0_notBefore(certificate));
    summary.ValidUntil = TimeOf(X509_get0_notAfter(certificate));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &size) == 1) {
        static const char hex[] = "0123456789ABCDEF";
        for (unsigned int i = 0; i < size; ++i) {
            if (i > 0) summary.Fingerprint += ':';
            summary.Fingerprint += hex[digest[i] >> 4];
            summary.Fingerprint += hex[digest[i] & 0x0f];
        }
    }
    return summary;
}

}  // namespace

// The library objects behind the channel. The context (trusted authorities
// loaded once) and the last session of the server live as long as the
// channel, so every later connection of the same client reuses them.
struct TIdIOHandlerTLS::TEngine {
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    bool peerClosed = false;
    bool handshakeDone = false;
    SSL_SESSION* lastSession = nullptr;
    std::string lastSessionServer;
    // Set for each handshake: how the certificate is judged, and what the
    // server showed.
    bool check = true;
    bool trustedHere = false;
    std::string trustedFingerprint;
    TIdCertificateSummary shown;

    ~TEngine() {
        if (ssl != nullptr) SSL_free(ssl);
        if (lastSession != nullptr) SSL_SESSION_free(lastSession);
        if (context != nullptr) SSL_CTX_free(context);
    }

    void MakeContext() {
        if (context != nullptr) return;
        SSL_CTX* made = SSL_CTX_new(TLS_client_method());
        if (made == nullptr) throw EIdTLSError("TLS setup failed: " + QueuedReason("no context"));
        SSL_CTX_set_min_proto_version(made, TLS1_2_VERSION);
        SSL_CTX_set_verify(made, SSL_VERIFY_PEER, nullptr);
        SSL_CTX_set_cert_verify_callback(made, &TEngine::Judge, this);
        // A server that closes without a close notice ends the session like
        // a plain peer that closes: the replies carry their own ends.
        SSL_CTX_set_options(made, SSL_OP_IGNORE_UNEXPECTED_EOF);
        SSL_CTX_set_session_cache_mode(made, SSL_SESS_CACHE_CLIENT);
        if (SSL_CTX_set_default_verify_paths(made) != 1) {
            SSL_CTX_free(made);
            throw EIdTLSError("TLS setup failed: " + QueuedReason("no trusted certificates"));
        }
        context = made;
    }

    // The chain check, then the caller's ways past it; remembers the leaf.
    static int Judge(X509_STORE_CTX* store, void* self) {
        auto& engine = *static_cast<TEngine*>(self);
        const int verified = X509_verify_cert(store);
        engine.shown = SummaryOf(X509_STORE_CTX_get0_cert(store));
        if (verified == 1) return 1;
        const bool trusted = engine.trustedHere && !engine.shown.Fingerprint.empty() &&
                             engine.shown.Fingerprint == engine.trustedFingerprint;
        if (!engine.check || trusted) {
            X509_STORE_CTX_set_error(store, X509_V_OK);
            return 1;
        }
        return 0;
    }

    // Keeps the session for a resumption with the same server; one made
    // without the check never stands in for a checked handshake.
    void SaveSession(const std::string& server) {
        if (ssl == nullptr || !handshakeDone || !check) return;
        SSL_SESSION* session = SSL_get1_session(ssl);
        if (session == nullptr) return;
        if (SSL_SESSION_is_resumable(session) != 1) {
            SSL_SESSION_free(session);
            return;
        }
        if (lastSession != nullptr) SSL_SESSION_free(lastSession);
        lastSession = session;
        lastSessionServer = server;
    }
};

TIdIOHandlerTLS::TIdIOHandlerTLS() : engine_(std::make_unique<TEngine>()) {}

TIdIOHandlerTLS::~TIdIOHandlerTLS() {
    EndSession(false);
}

bool TIdIOHandlerTLS::TLSActive() const {
    return engine_->ssl != nullptr && engine_->handshakeDone;
}

std::string TIdIOHandlerTLS::TLSVersion() const {
    return TLSActive() ? SSL_get_version(engine_->ssl) : "";
}

std::string TIdIOHandlerTLS::TLSCipher() const {
    return TLSActive() ? SSL_get_cipher_name(engine_->ssl) : "";
}

bool TIdIOHandlerTLS::SessionResumed() const {
    return TLSActive() && SSL_session_reused(engine_->ssl) == 1;
}

void TIdIOHandlerTLS::Open() {
    EndSession(false);
    TIdIOHandlerStack::Open();
    if (implicitTLS_ && SourceAllocated()) Handshake();
}

void TIdIOHandlerTLS::StartTLS() {
    if (engine_->ssl != nullptr) throw EIdTLSError("The connection is already encrypted.");
    if (!SourceAllocated()) throw EIdTLSError("Not Connected");
    if (InputBuffer() != nullptr) InputBuffer()->Clear();
    Handshake();
}

void TIdIOHandlerTLS::CloseSource() {
    EndSession(true);
    TIdIOHandlerStack::CloseSource();
}

void TIdIOHandlerTLS::EndSession(bool notifyPeer) {
    TEngine& engine = *engine_;
    if (engine.ssl == nullptr) return;
    if (notifyPeer && engine.handshakeDone && !engine.peerClosed) {
        // One try without waiting: the socket is about to close anyway.
        ERR_clear_error();
        SSL_shutdown(engine.ssl);
        ERR_clear_error();
    }
    engine.SaveSession(Host() + ":" + std::to_string(Port()));
    SSL_free(engine.ssl);
    engine.ssl = nullptr;
    engine.peerClosed = false;
    engine.handshakeDone = false;
}

bool TIdIOHandlerTLS::WaitSocket(bool forWrite, int timeoutMs) {
    const auto start = TClock::now();
    pollfd entry{Binding().Handle(), static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    while (true) {
        int wait = timeoutMs;
        if (timeoutMs > 0) {
            const auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start)
                    .count();
            wait = spent >= timeoutMs ? 0 : static_cast<int>(timeoutMs - spent);
        }
        const int ready = ::poll(&entry, 1, wait);
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) RaiseSocketError(TIdStackPosix::TranslateErrno(errno));
    }
}

void TIdIOHandlerTLS::Fail(int sslError, const char* what) {
    const int savedErrno = errno;
    std::string reason;
    if (sslError == SSL_ERROR_SYSCALL && savedErrno != 0 && ERR_peek_error() == 0) {
        EndSession(false);
        TIdIOHandlerStack::CloseSource();
        RaiseSocketError(TIdStackPosix::TranslateErrno(savedErrno));
    }
    reason = QueuedReason(sslError == SSL_ERROR_SSL ? "refused by the TLS library"
                                                    : "the server closed the connection");
    EndSession(false);
    TIdIOHandlerStack::CloseSource();
    throw EIdTLSError(std::string(what) + ": " + reason);
}

void TIdIOHandlerTLS::Handshake() {
    TEngine& engine = *engine_;
    engine.MakeContext();
    const int socket = Binding().Handle();
    const int flags = ::fcntl(socket, F_GETFL);
    if (flags == -1 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) == -1)
        RaiseSocketError(TIdStackPosix::TranslateErrno(errno));

    // Each write of the session is a whole record the peer waits for; held
    // back by Nagle's algorithm until the peer acknowledges the handshake's
    // last flight, the first command would stall a delayed acknowledgement.
    Binding().SetNagle(false);

    engine.ssl = SSL_new(engine.context);
    BIO* io = engine.ssl != nullptr ? brivano::NewSocketIO(socket) : nullptr;
    if (io == nullptr) Fail(SSL_ERROR_SSL, "TLS setup failed");
    SSL_set_bio(engine.ssl, io, io);

    const std::string& host = Host();
    // Without the name to check, any trusted certificate would do: a host
    // the check cannot take is refused before anything is sent.
    bool nameSet = false;
    if (IsNumericHost(host)) {
        nameSet = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(engine.ssl), host.c_str()) == 1;
    } else {
        SSL_set_hostflags(engine.ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        nameSet = SSL_set_tlsext_host_name(engine.ssl, host.c_str()) == 1 &&
                  SSL_set1_host(engine.ssl, host.c_str()) == 1;
    }
    if (!nameSet) Fail(SSL_ERROR_SSL, "TLS setup failed for this host name");
    const std::string server = host + ":" + std::to_string(Port());
    engine.check = checkCertificate_;
    engine.trustedHere =
        !trusted_.Empty() && brivano::EqualsNoCase(trusted_.Host, host) && trusted_.Port == Port();
    engine.trustedFingerprint = trusted_.Fingerprint;
    engine.shown = {};
    if (engine.check && engine.lastSession != nullptr && engine.lastSessionServer == server)
        SSL_set_session(engine.ssl, engine.lastSession);

    const int limit = ConnectTimeout() > 0 ? ConnectTimeout() : ReadTimeout();
    const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(limit);
    const TClock::time_point* until = limit > 0 ? &deadline : nullptr;
    while (true) {
        ERR_clear_error();
        errno = 0;
        const int result = SSL_connect(engine.ssl);
        if (result == 1) break;
        const int error = SSL_get_error(engine.ssl, result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            if (!WaitSocket(error == SSL_ERROR_WANT_WRITE, Left(until))) {
                EndSession(false);
                TIdIOHandlerStack::CloseSource();
                RaiseSocketError(IdErrorTimedOut);
            }
            continue;
        }
        const long verified = SSL_get_verify_result(engine.ssl);
        if (verified != X509_V_OK) {
            const std::string detail = X509_verify_cert_error_string(verified);
            ERR_clear_error();
            EndSession(false);
            TIdIOHandlerStack::CloseSource();
            throw EIdTLSCertificateRefused(FaultOf(verified), detail, engine.shown, host, Port());
        }
        Fail(error, "TLS handshake failed");
    }
    engine.handshakeDone = true;
}

bool TIdIOHandlerTLS::Readable(int timeoutMs) {
    TEngine& engine = *engine_;
    if (engine.ssl == nullptr) return TIdIOHandlerStack::Readable(timeoutMs);
    if (engine.peerClosed || SSL_pending(engine.ssl) > 0) return true;
    const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    const TClock::time_point* until = timeoutMs >= 0 ? &deadline : nullptr;
    while (true) {
        // Peeking decrypts a whole record without taking it, so a socket that
        // is readable with only part of a record does not count as data.
        char byte = 0;
        std::size_t got = 0;
        ERR_clear_error();
        errno = 0;
        const int result = SSL_peek_ex(engine.ssl, &byte, 1, &got);
        if (result == 1) return true;
        const int error = SSL_get_error(engine.ssl, result);
        switch (error) {
            case SSL_ERROR_WANT_READ:
            case SSL_ERROR_WANT_WRITE:
                if (!WaitSocket(error == SSL_ERROR_WANT_WRITE, Left(until))) return false;
                break;
            case SSL_ERROR_ZERO_RETURN:
                engine.peerClosed = true;
                return true;
            default:
                Fail(error, "TLS session failed");
        }
    }
}

std::size_t TIdIOHandlerTLS::RecvRaw(char* buffer, std::size_t size) {
    TEngine& engine = *engine_;
    if (engine.ssl == nullptr) return TIdIOHandlerStack::RecvRaw(buffer, size);
    while (!engine.peerClosed) {
        std::size_t got = 0;
        ERR_clear_error();
        errno = 0;
        const int result = SSL_read_ex(engine.ssl, buffer, size, &got);
        if (result == 1) return got;
        const int error = SSL_get_error(engine.ssl, result);
        switch (error) {
            case SSL_ERROR_WANT_READ:
            case SSL_ERROR_WANT_WRITE:
                WaitSocket(error == SSL_ERROR_WANT_WRITE, -1);
                break;
            case SSL_ERROR_ZERO_RETURN:
                engine.peerClosed = true;
                break;
            default:
                Fail(error, "TLS session failed");
        }
    }
    return 0;
}

std::size_t TIdIOHandlerTLS::SendRaw(const char* data, std::size_t size) {
    TEngine& engine = *engine_;
    if (engine.ssl == nullptr) return TIdIOHandlerStack::SendRaw(data, size);
    while (true) {
        std::size_t sent = 0;
        ERR_clear_error();
        errno = 0;
        const int result = SSL_write_ex(engine.ssl, data, size, &sent);
        if (result == 1) return sent;
        const int error = SSL_get_error(engine.ssl, result);
        switch (error) {
            case SSL_ERROR_WANT_READ:
            case SSL_ERROR_WANT_WRITE:
                // The write limit binds the engine's own waits too.
                if (!WaitSocket(error == SSL_ERROR_WANT_WRITE,
                                WriteTimeout() > 0 ? WriteTimeout() : -1))
                    throw EIdWriteTimeout();
                break;
            case SSL_ERROR_ZERO_RETURN:
                engine.peerClosed = true;
                return 0;
            default:
                Fail(error, "TLS session failed");
        }
    }
}
