// The SMTP client's choices around TLS and login against scripted loopback
// servers: when it asks for STARTTLS, when it stops, what it never sends.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "MemoryIOHandler.h"
#include "SmtpSessionServer.h"
#include "smtp/IdSMTP.h"
#include "smtp/IdTLSException.h"

using smtptest::Bye;
using smtptest::Go;
using smtptest::Greeting;
using smtptest::Ok;
using smtptest::TScriptedSmtp;

namespace {

const std::string EhloStartTls = "250-test.local\r\n250-STARTTLS\r\n250 AUTH LOGIN PLAIN\r\n";
const std::string EhloNoTls = "250-test.local\r\n250 AUTH LOGIN PLAIN\r\n";

void Prepare(TIdSMTP& smtp, TIdMessage& message, int port, TIdUseTLS mode,
             const std::string& user = "mario@example.it") {
    smtp.SetHost("127.0.0.1");
    smtp.SetPort(port);
    smtp.SetHeloName("client.test");
    smtp.SetUsername(user);
    smtp.SetPassword("1234");
    smtp.SetReadTimeout(5000);
    smtp.SetUseTLS(mode);
    message.From().SetAddress("mario@example.it");
    message.Recipients().SetListText("anna@example.it");
    message.SetBodyText("riga\r");
}

TEST(SmtpTlsDialogue, RequiredTlsWithoutStartTlsStopsBeforeLoginAndEnvelope) {
    TScriptedSmtp server(Greeting, {EhloNoTls, Bye});
    TIdSMTP smtp;
    TIdMessage message;
    Prepare(smtp, message, server.Port(), utUseRequireTLS);
    EXPECT_THROW(smtp.Connect(), EIdTLSNotOffered);
    EXPECT_FALSE(smtp.Connected());
    EXPECT_EQ(server.Transcript(), (std::vector<std::string>{"EHLO client.test", "QUIT"}));
}

TEST(SmtpTlsDialogue, WithoutUserNameThePlainPathStaysAsItWas) {
    TScriptedSmtp server(Greeting, {EhloStartTls, Ok, Ok, Ok, Go, Ok, Bye});
    TIdSMTP smtp;
    TIdMessage message;
    Prepare(smtp, message, server.Port(), utNoTLSSupport, "");
    smtp.Connect();
    smtp.Send(message);
    smtp.Disconnect();
    const auto transcript = server.Transcript();
    ASSERT_EQ(transcript.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(transcript.begin(), transcript.begin() + 4),
              (std::vector<std::string>{"EHLO client.test", "RSET", "MAIL FROM:<mario@example.it>",
                                        "RCPT TO:<anna@example.it>"}));
}

TEST(SmtpTlsDialogue, ExplicitTlsWithoutStartTlsGoesOnInTheClear) {
    TScriptedSmtp server(
        Greeting, {EhloNoTls, "334 a\r\n", "334 b\r\n", "235 ok\r\n", Ok, Ok, Ok, Go, Ok, Bye});
    TIdSMTP smtp;
    TIdMessage message;
    Prepare(smtp, message, server.Port(), utUseExplicitTLS);
    smtp.Connect();
    EXPECT_FALSE(smtp.TLSActive());
    smtp.Send(message);
    smtp.Disconnect();
    const auto transcript = server.Transcript();
    ASSERT_GE(transcript.size(), 3u);
    EXPECT_EQ(transcript[1], "AUTH LOGIN");
}

TEST(SmtpTlsDialogue, RefusedStartTlsNeverLeadsToLoginInTheClear) {
    for (TIdUseTLS mode : {utNoTLSSupport, utUseExplicitTLS}) {
        SCOPED_TRACE(mode);
        TScriptedSmtp server(Greeting, {EhloStartTls, "454 TLS not available\r\n", Bye});
        TIdSMTP smtp;
        TIdMessage message;
        Prepare(smtp, message, server.Port(), mode);
        try {
            smtp.Connect();
            smtp.Send(message);
            ADD_FAILURE() << "no error";
        } catch (const EIdSMTPReplyError& refusal) {
            EXPECT_EQ(refusal.ErrorCode(), 454);
        }
        smtp.Disconnect();
        EXPECT_EQ(server.Transcript(),
                  (std::vector<std::string>{"EHLO client.test", "STARTTLS", "QUIT"}));
    }
}

TEST(SmtpTlsDialogue, AChannelThatCannotEncryptSendsNoLoginToAStartTlsServer) {
    auto owned = std::make_unique<TMemoryIOHandler>();
    TMemoryIOHandler& channel = *owned;
    channel.SetCloseAtEnd(false);
    channel.Feed(Greeting);
    channel.Feed(EhloStartTls);
    TIdSMTP smtp;
    TIdMessage message;
    Prepare(smtp, message, 0, utNoTLSSupport);
    smtp.SetHost("");
    smtp.SetIOHandler(std::move(owned));
    smtp.Connect();
    EXPECT_FALSE(smtp.CanStartTLS());
    EXPECT_THROW(smtp.Send(message), EIdTLSError);
    EXPECT_EQ(channel.Output(), "EHLO client.test\r\n");

    TIdSMTP implicit;
    implicit.SetIOHandler(std::make_unique<TMemoryIOHandler>());
    implicit.SetUseTLS(utUseImplicitTLS);
    EXPECT_THROW(implicit.Connect(), EIdTLSError);
}

TEST(SmtpTlsDialogue, RefusedLoginIsReportedAsSuch) {
    struct TCase {
        std::string ehlo;
        std::vector<std::string> replies;
        std::string lastAuthLine;
        int code;
    };
    const TCase cases[] = {
        {EhloNoTls, {"334 a\r\n", "334 b\r\n", "535 5.7.8 bad credentials\r\n"}, "MTIzNA==", 535},
        {EhloNoTls, {"504 5.5.4 not that one\r\n"}, "AUTH LOGIN", 504},
        {"250-test.local\r\n250 AUTH PLAIN\r\n",
         {"535 5.7.8 bad credentials\r\n"},
         "AUTH PLAIN AG1hcmlvQGV4YW1wbGUuaXQAMTIzNA==",
         535},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastAuthLine);
        std::vector<std::string> replies{c.ehlo};
        replies.insert(replies.end(), c.replies.begin(), c.replies.end());
        replies.push_back(Bye);
        TScriptedSmtp server(Greeting, replies);
        TIdSMTP smtp;
        TIdMessage message;
        Prepare(smtp, message, server.Port(), utNoTLSSupport);
        smtp.Connect();
        try {
            smtp.Send(message);
            ADD_FAILURE() << "login accepted";
        } catch (const EIdSMTPLoginRefused& refused) {
            EXPECT_EQ(refused.ErrorCode(), c.code);
        }
        EXPECT_FALSE(smtp.DidAuthenticate());
        smtp.Disconnect();
        const auto transcript = server.Transcript();
        ASSERT_GE(transcript.size(), 2u);
        EXPECT_EQ(transcript[transcript.size() - 2], c.lastAuthLine);
        EXPECT_EQ(transcript.back(), "QUIT");
    }
}

TEST(SmtpTlsDialogue, LoginSaysWhichMechanismItUsed) {
    TScriptedSmtp server(Greeting, {"250-test.local\r\n250 AUTH CRAM-MD5\r\n", Bye});
    TIdSMTP smtp;
    TIdMessage message;
    Prepare(smtp, message, server.Port(), utNoTLSSupport);
    smtp.Connect();
    EXPECT_EQ(smtp.Authenticate(), "");
    smtp.Disconnect();

    TScriptedSmtp plain(Greeting, {"250-test.local\r\n250 AUTH=PLAIN\r\n", "235 ok\r\n", Bye});
    Prepare(smtp, message, plain.Port(), utNoTLSSupport);
    smtp.Connect();
    EXPECT_EQ(smtp.Authenticate(), "PLAIN");
    smtp.Disconnect();
}

TEST(SmtpTlsDialogue, HandshakeIsBoundedByTheTimeLimits) {
    // A server that takes the connection (and STARTTLS) but never answers the
    // handshake.
    struct TCase {
        TIdUseTLS mode;
        bool startTls;
    };
    for (const TCase& c : {TCase{utUseImplicitTLS, false}, TCase{utUseRequireTLS, true}}) {
        SCOPED_TRACE(c.mode);
        smtptest::TGate done;
        smtptest::TLoopbackServer server([&](smtptest::TPeer& peer) {
            if (c.startTls) {
                peer.Send(Greeting);
                peer.ReadLine();
                peer.Send(EhloStartTls);
                peer.ReadLine();
                peer.Send("220 go ahead\r\n");
            }
            done.Wait();
        });
        TIdSMTP smtp;
        TIdMessage message;
        Prepare(smtp, message, server.Port(), c.mode);
        smtp.SetConnectTimeout(300);
        // The connect limit, not the peer, ends the attempt: the peer never
        // completes the handshake.
        try {
            smtp.Connect();
            ADD_FAILURE() << "connected";
        } catch (const EIdSocketError& error) {
            EXPECT_EQ(error.ErrorCode(), IdErrorTimedOut);
        }
        EXPECT_FALSE(smtp.Connected());
        done.Open();
    }
}

}  // namespace
