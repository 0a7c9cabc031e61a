// The TLS channel against a small TLS server of the test's own (the library's
// server side on a loopback socket): bytes the engine has decrypted but the
// line layer has not yet taken are read without waiting on the socket, a
// large write reaches the peer whole while the peer reads slowly, and a
// certificate the user trusted passes only for its host, port and fingerprint.

#include <gtest/gtest.h>
#include <openssl/ssl.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include "LoopbackServer.h"
#include "SuiteTls.h"
#include "TestCertificates.h"
#include "exception/IdException.h"
#include "smtp/IdIOHandlerTLS.h"
#include "smtp/IdTLSException.h"

namespace {

// Accepts one connection on a loopback port, completes the TLS handshake
// with the given certificate and runs `session` with the encrypted link.
class TTlsServer {
  public:
    using TArchiveSession = std::function<void(SSL*)>;

    TTlsServer(const TTestCertificates& certificates, TArchiveSession session,
               TTestCertificates::TKind kind = TTestCertificates::Good)
        : listener_(smtptest::BindLoopback(port_, true)) {
        context_ = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate_chain_file(context_, certificates.Cert(kind).c_str());
        SSL_CTX_use_PrivateKey_file(context_, certificates.Key(kind).c_str(), SSL_FILETYPE_PEM);
        thread_ = std::thread([this, session = std::move(session)] {
            pollfd entry{listener_, POLLIN, 0};
            if (::poll(&entry, 1, smtptest::kWaitMs) != 1) return;
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) return;
            timeval limit{smtptest::kWaitMs / 1000, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
            SSL* ssl = SSL_new(context_);
            SSL_set_fd(ssl, fd);
            if (SSL_accept(ssl) == 1) session(ssl);
            SSL_shutdown(ssl);
            SSL_free(ssl);
            ::close(fd);
        });
    }
    ~TTlsServer() {
        thread_.join();
        SSL_CTX_free(context_);
        ::close(listener_);
    }
    TTlsServer(const TTlsServer&) = delete;
    TTlsServer& operator=(const TTlsServer&) = delete;

    int Port() const { return port_; }

  private:
    int port_ = 0;
    int listener_;
    SSL_CTX* context_ = nullptr;
    std::thread thread_;
};

class TlsChannel : public TSuiteTls {
  protected:
    static std::unique_ptr<TIdIOHandlerTLS> Channel(int port) {
        auto channel = std::make_unique<TIdIOHandlerTLS>();
        channel->SetHost("localhost");
        channel->SetPort(port);
        channel->SetImplicitTLS(true);
        channel->SetReadTimeout(3000);
        return channel;
    }
};

TEST_F(TlsChannel, DecryptedBytesAreReadWithoutWaitingOnTheSocket) {
    smtptest::TGate done;
    TTlsServer server(*certificates_, [&](SSL* ssl) {
        const std::string reply = "250-first\r\n250-second\r\n250 third\r\n";
        SSL_write(ssl, reply.data(), static_cast<int>(reply.size()));
        done.Wait();  // silent from here on: only the engine's buffer holds more
    });
    auto channel = Channel(server.Port());
    channel->SetRecvBufferSize(4);
    channel->Open();
    EXPECT_TRUE(channel->TLSActive());
    EXPECT_EQ(channel->TLSVersion().rfind("TLSv1.", 0), 0u) << channel->TLSVersion();
    EXPECT_EQ(channel->ReadLn(), "250-first");
    // The rest of the record is decrypted already: the next lines come from
    // the engine's buffer without waiting on the silent socket, where any
    // limit would fire.
    channel->SetReadTimeout(100);
    EXPECT_EQ(channel->ReadLn(), "250-second");
    EXPECT_EQ(channel->ReadLn(), "250 third");
    channel->SetReadTimeout(200);
    EXPECT_THROW(channel->ReadLn(), EIdReadTimeout);
    done.Open();
    channel->Close();
}

TEST_F(TlsChannel, LargeWriteArrivesWholeAtASlowReader) {
    const std::size_t size = std::size_t{3} * 1024 * 1024;
    std::string received;
    TTlsServer server(*certificates_, [&](SSL* ssl) {
        // Reading late fills the socket buffers, so the client's sends block.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        char chunk[16384];
        while (received.size() < size) {
            const int got = SSL_read(ssl, chunk, sizeof chunk);
            if (got <= 0) break;
            received.append(chunk, static_cast<std::size_t>(got));
        }
        SSL_write(ssl, "250 ok\r\n", 8);
    });
    auto channel = Channel(server.Port());
    channel->Open();
    std::string text(size, 'x');
    for (std::size_t i = 0; i < size; i += 1000) text[i] = static_cast<char>('a' + i % 26);
    channel->WriteBufferOpen();
    channel->Write(text);
    channel->WriteBufferClose();
    EXPECT_EQ(channel->ReadLn(), "250 ok");
    channel->Close();
    EXPECT_EQ(received.size(), size);
    EXPECT_TRUE(received == text);
}

TEST_F(TlsChannel, WriteTimeLimitBindsAPeerThatStopsReading) {
    smtptest::TGate done;
    TTlsServer server(*certificates_, [&](SSL*) { done.Wait(); });
    auto channel = Channel(server.Port());
    channel->Open();
    channel->SetWriteTimeout(300);
    const std::string text(std::size_t{64} * 1024 * 1024, 'x');
    EXPECT_THROW(channel->Write(text), EIdWriteTimeout);
    done.Open();
    channel->Close();
}

// The fingerprint as the openssl command line computes it.
std::string FingerprintOf(const std::filesystem::path& pem) {
    const std::string command =
        "openssl x509 -noout -fingerprint -sha256 -in '" + pem.string() + "'";
    FILE* out = ::popen(command.c_str(), "r");
    if (out == nullptr) return {};
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, out) != nullptr;
    ::pclose(out);
    std::string text = read ? line : "";
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) return {};
    text = text.substr(equals + 1);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

TEST_F(TlsChannel, TrustedCertificatePassesOnlyForItsHostPortAndFingerprint) {
    const std::string fingerprint =
        FingerprintOf(certificates_->Cert(TTestCertificates::SelfSigned));
    ASSERT_EQ(fingerprint.size(), 95u) << fingerprint;
    struct Case {
        const char* name;
        std::string host;   // of the trust; "" trusts nothing
        int portShift;      // added to the server's port
        std::string print;  // of the trust
        bool check;         // whether the channel checks at all
        bool passes;
    };
    const std::string other =
        std::string(fingerprint).replace(0, 2, fingerprint[0] == 'A' ? "BB" : "AA");
    const Case cases[] = {
        {"no trust", "", 0, "", true, false},
        {"trusted here", "localhost", 0, fingerprint, true, true},
        {"host in other case", "LOCALHOST", 0, fingerprint, true, true},
        {"other port", "localhost", 1, fingerprint, true, false},
        {"other host", "127.0.0.1", 0, fingerprint, true, false},
        {"other fingerprint", "localhost", 0, other, true, false},
        {"unchecked", "", 0, "", false, true},
    };
    for (const Case& c : cases) {
        TTlsServer server(
            *certificates_, [](SSL* ssl) { SSL_write(ssl, "220 ok\r\n", 8); },
            TTestCertificates::SelfSigned);
        auto channel = Channel(server.Port());
        channel->SetCheckCertificate(c.check);
        if (!c.host.empty())
            channel->SetTrustedCertificate({c.host, server.Port() + c.portShift, c.print});
        try {
            channel->Open();
            EXPECT_TRUE(c.passes) << c.name;
            EXPECT_EQ(channel->ReadLn(), "220 ok") << c.name;
            channel->Close();
        } catch (const EIdTLSCertificateRefused& refused) {
            EXPECT_FALSE(c.passes) << c.name;
            EXPECT_EQ(refused.Reason(), TIdCertificateFault::Untrusted) << c.name;
            EXPECT_EQ(refused.Certificate().Fingerprint, fingerprint) << c.name;
            EXPECT_EQ(refused.Certificate().Subject, "CN=localhost") << c.name;
            EXPECT_EQ(refused.Certificate().Issuer, "CN=localhost") << c.name;
            EXPECT_LT(refused.Certificate().ValidFrom, refused.Certificate().ValidUntil) << c.name;
            EXPECT_EQ(refused.Host(), "localhost");
            EXPECT_EQ(refused.Port(), server.Port());
        }
    }
}

}  // namespace
