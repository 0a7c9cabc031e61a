// The SMTP client over TLS against a real peer: Debian's aiosmtpd with
// implicit TLS or with STARTTLS, its certificates made by the openssl command
// line for this run, and SSL_CERT_FILE pointing at their authority.

#include <gtest/gtest.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "SinkAiosmtpd.h"
#include "SuiteTls.h"
#include "TempDir.h"
#include "TestCertificates.h"
#include "smtp/IdIOHandlerTLS.h"
#include "smtp/IdSMTP.h"
#include "smtp/IdTLSException.h"

namespace {

using TKind = TTestCertificates::TKind;

class SmtpTlsAiosmtpd : public TSuiteTls {
  protected:
    // A sink in its own folder; mode and options as SinkAiosmtpd.py takes them.
    std::unique_ptr<TSinkAiosmtpd> Start(const std::string& mode, TKind kind = TKind::Good,
                                         std::vector<std::string> options = {}) {
        std::vector<std::string> arguments{mode};
        if (mode != "plain")
            arguments.insert(arguments.end(), {"--cert", certificates_->Cert(kind).string(),
                                               "--key", certificates_->Key(kind).string()});
        arguments.insert(arguments.end(), options.begin(), options.end());
        auto sink = std::make_unique<TSinkAiosmtpd>(folder_.path(), arguments);
        EXPECT_TRUE(sink->Ready()) << "the aiosmtpd sink did not start";
        return sink;
    }

    void Prepare(int port, TIdUseTLS mode, const std::string& host = "localhost") {
        Prepare(smtp_, port, mode, host);
    }
    void Prepare(TIdSMTP& smtp, int port, TIdUseTLS mode, const std::string& host) {
        smtp.SetHost(host);
        smtp.SetPort(port);
        smtp.SetUseTLS(mode);
        smtp.SetHeloName("client.test");
        smtp.SetUsername("mario@example.it");
        smtp.SetPassword("segreta");
        smtp.SetConnectTimeout(10000);
        smtp.SetReadTimeout(10000);
        message_.From().SetAddress("mario@example.it");
        message_.SetSubject("Prova");
        message_.Recipients().SetListText("anna@example.it");
        message_.SetBodyText("riga uno\r");
    }

    void Deliver(TIdSMTP& smtp) {
        smtp.Connect();
        smtp.Send(message_);
        smtp.Disconnect();
    }

    // Command lines the sink read in the clear (without "clear ").
    static std::vector<std::string> Clear(const std::vector<std::string>& transcript) {
        std::vector<std::string> clear;
        for (const auto& line : transcript)
            if (line.rfind("clear ", 0) == 0) clear.push_back(line.substr(6));
        return clear;
    }
    static bool Has(const std::vector<std::string>& transcript, const std::string& start) {
        return std::any_of(transcript.begin(), transcript.end(),
                           [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    }

    TTempDir folder_;
    TIdSMTP smtp_;
    TIdMessage message_;
};

TEST_F(SmtpTlsAiosmtpd, DeliversOverImplicitTls) {
    struct TCase {
        const char* mechanisms;
        const char* host;  // a name is checked by name, an address by address
        const char* login;
    };
    for (const TCase& c : {TCase{"LOGIN,PLAIN", "localhost", "tls AUTH LOGIN"},
                           TCase{"PLAIN", "127.0.0.1", "tls AUTH PLAIN "}}) {
        SCOPED_TRACE(c.mechanisms);
        TTempDir folder;
        TSinkAiosmtpd sink(folder.path(),
                           {"tls", "--cert", certificates_->Cert(TKind::Good).string(), "--key",
                            certificates_->Key(TKind::Good).string(), "--mechanisms", c.mechanisms,
                            "--user", "mario@example.it", "--password", "segreta"});
        ASSERT_TRUE(sink.Ready());
        TIdSMTP smtp;
        Prepare(smtp, sink.Port(), utUseImplicitTLS, c.host);
        ASSERT_NO_THROW(Deliver(smtp));
        ASSERT_EQ(sink.Messages().size(), 1u);
        EXPECT_NE(sink.Messages()[0].find("Subject: Prova\r\n"), std::string::npos);
        const auto transcript = sink.Transcript();
        EXPECT_TRUE(Clear(transcript).empty());
        EXPECT_TRUE(Has(transcript, c.login));
        EXPECT_TRUE(Has(transcript, "tls MAIL FROM:<mario@example.it>"));
    }
}

TEST_F(SmtpTlsAiosmtpd, DeliversOverStartTlsWithoutAnythingSecretInTheClear) {
    struct TCase {
        TIdUseTLS mode;
        const char* mechanisms;
        const char* login;
    };
    // utNoTLSSupport: a user name to log in with still upgrades first.
    for (const TCase& c : {TCase{utUseRequireTLS, "LOGIN,PLAIN", "tls AUTH LOGIN"},
                           TCase{utUseExplicitTLS, "PLAIN", "tls AUTH PLAIN "},
                           TCase{utNoTLSSupport, "LOGIN,PLAIN", "tls AUTH LOGIN"}}) {
        SCOPED_TRACE(c.mechanisms + std::string(" mode ") + std::to_string(c.mode));
        TTempDir folder;
        TSinkAiosmtpd sink(folder.path(),
                           {"starttls", "--cert", certificates_->Cert(TKind::Good).string(),
                            "--key", certificates_->Key(TKind::Good).string(), "--mechanisms",
                            c.mechanisms, "--user", "mario@example.it", "--password", "segreta"});
        ASSERT_TRUE(sink.Ready());
        TIdSMTP smtp;
        Prepare(smtp, sink.Port(), c.mode, "localhost");
        ASSERT_NO_THROW(Deliver(smtp));
        EXPECT_EQ(sink.Messages().size(), 1u);
        const auto transcript = sink.Transcript();
        EXPECT_EQ(Clear(transcript), (std::vector<std::string>{"EHLO client.test", "STARTTLS"}));
        EXPECT_TRUE(Has(transcript, "tls EHLO client.test"));
        EXPECT_TRUE(Has(transcript, c.login));
    }
}

// The client's socket: TCP_NODELAY and the data segments it sent so far, not
// counting those sent again because a busy peer was slow to acknowledge.
struct TSocketSeen {
    int NoDelay = -1;
    unsigned Segments = 0;
};
TSocketSeen SeenOf(TIdSMTP& smtp) {
    TSocketSeen seen;
    auto* channel = dynamic_cast<TIdIOHandlerTLS*>(smtp.IOHandler());
    if (channel == nullptr) return seen;
    const int fd = channel->Binding().Handle();
    socklen_t length = sizeof seen.NoDelay;
    ::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &seen.NoDelay, &length);
    tcp_info info{};
    length = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0)
        seen.Segments = info.tcpi_data_segs_out - info.tcpi_total_retrans;  // not a slow peer's
    return seen;
}

// Over TLS every write leaves at once (no wait for the peer's acknowledgement
// of the one before), so each command must be one write: the segments of a
// whole dialogue are counted. The clear part of STARTTLS keeps Nagle's
// algorithm, as the plain channel does.
TEST_F(SmtpTlsAiosmtpd, EveryCommandOfATlsDialogueIsOneWriteThatLeavesAtOnce) {
    struct TCase {
        const char* mode;
        TIdUseTLS use;
        unsigned clearCommands;  // EHLO, STARTTLS
    };
    for (const TCase& c :
         {TCase{"tls", utUseImplicitTLS, 0}, TCase{"starttls", utUseRequireTLS, 2}}) {
        SCOPED_TRACE(c.mode);
        auto sink = Start(c.mode);
        TIdSMTP smtp;
        Prepare(smtp, sink->Port(), c.use, "localhost");
        smtp.OpenConnection();
        smtp.Greet();
        if (c.clearCommands > 0) {
            EXPECT_EQ(SeenOf(smtp).NoDelay, 0);
        }
        smtp.NegotiateTLS();
        EXPECT_EQ(SeenOf(smtp).NoDelay, 1);
        const unsigned beforeSend = SeenOf(smtp).Segments;
        smtp.Send(message_);
        // AUTH LOGIN, user, password, RSET, MAIL, RCPT, DATA, the text.
        EXPECT_EQ(SeenOf(smtp).Segments - beforeSend, 8u);
        // Client hello, the handshake's last flight, EHLO, and the clear part.
        EXPECT_EQ(beforeSend, c.clearCommands + 3u);
        smtp.Disconnect();
        EXPECT_EQ(sink->Messages().size(), 1u);
    }
}

TEST_F(SmtpTlsAiosmtpd, StepsOneByOne) {
    auto sink = Start("starttls");
    Prepare(sink->Port(), utUseRequireTLS);
    smtp_.OpenConnection();
    EXPECT_FALSE(smtp_.TLSActive());
    smtp_.Greet();
    EXPECT_NE(std::find(smtp_.Capabilities().begin(), smtp_.Capabilities().end(), "STARTTLS"),
              smtp_.Capabilities().end());
    smtp_.NegotiateTLS();
    EXPECT_TRUE(smtp_.TLSActive());
    EXPECT_EQ(smtp_.Authenticate(), "LOGIN");
    smtp_.Disconnect();
    EXPECT_FALSE(smtp_.Connected());
    EXPECT_EQ(sink->Transcript().back(), "tls QUIT");
}

TEST_F(SmtpTlsAiosmtpd, RefusedCertificateSaysWhyAndSendsNothingMore) {
    struct TCase {
        TKind kind;
        TIdCertificateFault reason;
        const char* host;
    };
    const TCase cases[] = {
        {TKind::SelfSigned, TIdCertificateFault::Untrusted, "localhost"},
        {TKind::OtherName, TIdCertificateFault::WrongName, "localhost"},
        {TKind::OtherName, TIdCertificateFault::WrongName, "127.0.0.1"},
        {TKind::Expired, TIdCertificateFault::Expired, "localhost"},
    };
    for (const char* mode : {"tls", "starttls"}) {
        for (const TCase& c : cases) {
            SCOPED_TRACE(std::string(mode) + " " + EIdTLSCertificateRefused::ReasonText(c.reason) +
                         " " + c.host);
            TTempDir folder;
            TSinkAiosmtpd sink(folder.path(), {mode, "--cert", certificates_->Cert(c.kind).string(),
                                               "--key", certificates_->Key(c.kind).string()});
            ASSERT_TRUE(sink.Ready());
            TIdSMTP smtp;
            Prepare(smtp, sink.Port(),
                    mode == std::string("tls") ? utUseImplicitTLS : utUseRequireTLS, c.host);
            try {
                smtp.Connect();
                ADD_FAILURE() << "the certificate was accepted";
            } catch (const EIdTLSCertificateRefused& refused) {
                EXPECT_EQ(refused.Reason(), c.reason) << refused.what();
            }
            EXPECT_FALSE(smtp.Connected());
            const auto transcript = sink.Transcript();
            if (mode == std::string("tls"))
                EXPECT_TRUE(transcript.empty());
            else
                EXPECT_EQ(transcript,
                          (std::vector<std::string>{"clear EHLO client.test", "clear STARTTLS"}));
        }
    }
}

TEST_F(SmtpTlsAiosmtpd, FailedStartTlsHandshakeEndsTheSession) {
    auto sink = Start("starttls", TKind::Good, {"--starttls-fault", "garbage"});
    Prepare(sink->Port(), utNoTLSSupport);
    smtp_.Connect();
    try {
        smtp_.Send(message_);
        ADD_FAILURE() << "sent without TLS";
    } catch (const EIdTLSCertificateRefused& e) {
        ADD_FAILURE() << "not a certificate fault: " << e.what();
    } catch (const EIdTLSError& e) {
        EXPECT_NE(std::string(e.what()).find("TLS handshake failed"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(smtp_.Connected());
    EXPECT_NO_THROW(smtp_.Disconnect());
    EXPECT_EQ(sink->Transcript(),
              (std::vector<std::string>{"clear EHLO client.test", "clear STARTTLS"}));
    EXPECT_TRUE(sink->Messages().empty());
}

TEST_F(SmtpTlsAiosmtpd, InputBeforeTheHandshakeIsDropped) {
    auto sink = Start("starttls", TKind::Good, {"--starttls-fault", "inject"});
    Prepare(sink->Port(), utUseRequireTLS);
    smtp_.Connect();
    EXPECT_TRUE(smtp_.TLSActive());
    EXPECT_EQ(TIdSMTP::AuthMechanisms(smtp_.Capabilities()),
              (std::vector<std::string>{"LOGIN", "PLAIN"}));
    ASSERT_NO_THROW(smtp_.Send(message_));
    smtp_.Disconnect();
    EXPECT_EQ(sink->Messages().size(), 1u);
}

TEST_F(SmtpTlsAiosmtpd, RequiredTlsStopsBeforeLoginAgainstAPlainServer) {
    auto sink = Start("plain");
    Prepare(sink->Port(), utUseRequireTLS);
    EXPECT_THROW(smtp_.Connect(), EIdTLSNotOffered);
    EXPECT_FALSE(smtp_.Connected());
    EXPECT_EQ(sink->Transcript(),
              (std::vector<std::string>{"clear EHLO client.test", "clear QUIT"}));
}

TEST_F(SmtpTlsAiosmtpd, RefusedLoginIsItsOwnError) {
    auto sink = Start("tls", TKind::Good, {"--user", "mario@example.it", "--password", "altra"});
    Prepare(sink->Port(), utUseImplicitTLS);
    smtp_.Connect();
    try {
        smtp_.Send(message_);
        ADD_FAILURE() << "login accepted";
    } catch (const EIdSMTPLoginRefused& refused) {
        EXPECT_EQ(refused.ErrorCode(), 535);
    }
    EXPECT_TRUE(smtp_.Connected());
    smtp_.Disconnect();
    EXPECT_FALSE(Has(sink->Transcript(), "tls MAIL"));
}

TEST_F(SmtpTlsAiosmtpd, LaterConnectionsResumeTheSession) {
    auto sink = Start("tls");
    Prepare(sink->Port(), utUseImplicitTLS);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Deliver(smtp_);
        smtp_.Connect();
        auto* channel = dynamic_cast<TIdIOHandlerTLS*>(smtp_.IOHandler());
        ASSERT_NE(channel, nullptr);
        EXPECT_EQ(channel->SessionResumed(), true);
        smtp_.Disconnect();
    }
    EXPECT_EQ(sink->Messages().size(), 3u);
}

// A bearer token over STARTTLS: a stale one gets the error challenge and the
// 535, the fresh one asked for then is taken and the message goes once.
TEST_F(SmtpTlsAiosmtpd, BearerTokenRefreshedOnceAfterTheErrorChallenge) {
    for (const char* mechanism : {"XOAUTH2", "OAUTHBEARER"}) {
        SCOPED_TRACE(mechanism);
        TTempDir folder;
        const auto tokens = folder.path() / "tokens";
        std::ofstream(tokens) << "vecchio 1\nfresco 9999999999\n";
        TSinkAiosmtpd sink(
            folder.path(),
            {"starttls", "--cert", certificates_->Cert(TKind::Good).string(), "--key",
             certificates_->Key(TKind::Good).string(), "--mechanisms",
             std::string("LOGIN,PLAIN,") + mechanism, "--tokens-file", tokens.string()});
        ASSERT_TRUE(sink.Ready());
        TIdSMTP smtp;
        Prepare(smtp, sink.Port(), utUseRequireTLS, "localhost");
        std::vector<std::string> asked;
        smtp.SetBearerSource([&](const std::string& refused) {
            asked.push_back(refused);
            return refused.empty() ? "vecchio" : "fresco";
        });
        ASSERT_NO_THROW(Deliver(smtp));
        EXPECT_EQ(asked, (std::vector<std::string>{"", "vecchio"}));
        EXPECT_EQ(sink.Messages().size(), 1u);
        const auto transcript = sink.Transcript();
        EXPECT_EQ(std::count_if(transcript.begin(), transcript.end(),
                                [&](const std::string& line) {
                                    return line.rfind(std::string("tls AUTH ") + mechanism, 0) == 0;
                                }),
                  2);
        EXPECT_FALSE(Has(transcript, "tls AUTH LOGIN"));
        EXPECT_TRUE(Clear(transcript).size() <= 2);  // EHLO and STARTTLS
    }
}

}  // namespace
