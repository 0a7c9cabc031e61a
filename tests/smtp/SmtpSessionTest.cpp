// The SMTP session against scripted loopback servers, and the grouping of its
// sends over the in-memory channel.

#include <gtest/gtest.h>

#include <memory>

#include "MemoryIOHandler.h"
#include "SmtpSessionServer.h"
#include "exception/IdException.h"
#include "smtp/IdReplySMTP.h"
#include "smtp/IdSMTP.h"

using smtptest::Bye;
using smtptest::Go;
using smtptest::Greeting;
using smtptest::Ok;
using smtptest::TScriptedSmtp;

namespace {

const std::string EhloFull = "250-test.local\r\n250-PIPELINING\r\n250 AUTH LOGIN PLAIN\r\n";
const std::string EhloAuthOnly = "250-test.local\r\n250 AUTH LOGIN\r\n";

struct TClient {
    TIdSMTP smtp;
    TIdMessage message;

    explicit TClient(int port, const std::string& user = "mario@example.it",
                     const std::string& password = "1234") {
        smtp.SetHost("127.0.0.1");
        smtp.SetPort(port);
        smtp.SetHeloName("client.test");
        smtp.SetUsername(user);
        smtp.SetPassword(password);
        smtp.SetReadTimeout(5000);
        message.From().SetAddress(user);
        message.SetSubject("Prova");
        message.Recipients().SetListText("anna@example.it");
        message.SetBodyText("riga uno\r.punto\r");
    }
};

int ReplyCode(const std::function<void()>& action) {
    try {
        action();
    } catch (const EIdSMTPReplyError& e) {
        return e.ErrorCode();
    }
    return 0;
}

const std::vector<std::string> AuthLines = {"AUTH LOGIN", "bWFyaW9AZXhhbXBsZS5pdA==", "MTIzNA=="};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(SmtpSession, PipeliningWithLogin) {
    TScriptedSmtp server(Greeting, {EhloFull, "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n",
                                    "235 ok\r\n", Ok, Ok, Ok, Go, Ok, Bye});
    TClient client(server.Port());
    client.smtp.Connect();
    EXPECT_EQ(client.smtp.Capabilities(),
              (std::vector<std::string>{"PIPELINING", "AUTH LOGIN PLAIN"}));
    client.smtp.Send(client.message);
    EXPECT_TRUE(client.smtp.DidAuthenticate());
    client.smtp.Disconnect();
    EXPECT_FALSE(client.smtp.Connected());
    EXPECT_FALSE(client.smtp.DidAuthenticate());

    auto transcript = server.Transcript();
    ASSERT_EQ(transcript.size(), 11u);
    EXPECT_EQ(
        std::vector<std::string>(transcript.begin(), transcript.begin() + 8),
        Join({{"EHLO client.test"},
              AuthLines,
              {"RSET", "MAIL FROM:<mario@example.it>", "RCPT TO:<anna@example.it>", "DATA"}}));
    const std::string& data = transcript[8];
    EXPECT_NE(data.find("Subject: Prova\r\n"), std::string::npos);
    EXPECT_NE(data.find("\r\n\r\nriga uno\r\n..punto\r\n\r\n"), std::string::npos) << data;
    EXPECT_EQ(transcript[9], ".");
    EXPECT_EQ(transcript[10], "QUIT");
}

TEST(SmtpSession, HeloAfterRefusedEhloSkipsLoginAndPipelining) {
    for (const std::string refusal : {"500 what?\r\n", "502 no\r\n"}) {
        TScriptedSmtp server(Greeting, {refusal, Ok, Ok, Ok, Ok, Go, Ok, Bye});
        TClient client(server.Port());
        client.smtp.Connect();
        EXPECT_TRUE(client.smtp.Capabilities().empty());
        client.smtp.Send(client.message);
        client.smtp.Disconnect();
        auto transcript = server.Transcript();
        ASSERT_GE(transcript.size(), 7u);
        EXPECT_EQ(std::vector<std::string>(transcript.begin(), transcript.begin() + 6),
                  (std::vector<std::string>{"EHLO client.test", "HELO client.test", "RSET",
                                            "MAIL FROM:<mario@example.it>",
                                            "RCPT TO:<anna@example.it>", "DATA"}));
    }
}

TEST(SmtpSession, OfferedMechanisms) {
    struct TCase {
        std::vector<std::string> capabilities;
        std::vector<std::string> mechanisms;
    };
    const TCase cases[] = {
        {{"AUTH=LOGIN"}, {"LOGIN"}},
        {{"auth login"}, {"LOGIN"}},
        {{"AUTH PLAIN"}, {"PLAIN"}},
        {{"AUTH LOGIN PLAIN", "AUTH=LOGIN CRAM-MD5"}, {"LOGIN", "PLAIN", "CRAM-MD5"}},
        {{"AUTHLOGIN", "AUTH", "SIZE 100", "X-AUTH LOGIN"}, {}},
        {{"AUTH  =LOGIN  "}, {"LOGIN"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TIdSMTP::AuthMechanisms(c.capabilities), c.mechanisms) << c.capabilities[0];
}

TEST(SmtpSession, LoginOnlyWhenOfferedAndUserSet) {
    struct TCase {
        std::string ehlo;
        std::string user;
        std::string password;
        std::vector<std::string> loginReplies;
        std::vector<std::string> expectedStart;
    };
    const std::string plainOnly = "250-test.local\r\n250 AUTH PLAIN\r\n";
    const std::string none = "250-test.local\r\n250 AUTH CRAM-MD5\r\n";
    const TCase cases[] = {
        {plainOnly,
         "mario@example.it",
         "1234",
         {"235 ok\r\n"},
         {"EHLO client.test", "AUTH PLAIN AG1hcmlvQGV4YW1wbGUuaXQAMTIzNA==", "RSET"}},
        {EhloFull,
         "mario@example.it",
         "1234",
         {"334 a\r\n", "334 b\r\n", "235 ok\r\n"},
         Join({{"EHLO client.test"}, AuthLines, {"RSET"}})},
        {none, "mario@example.it", "1234", {}, {"EHLO client.test", "RSET"}},
        {EhloAuthOnly, "", "1234", {}, {"EHLO client.test", "RSET", "MAIL FROM:<>"}},
        {EhloAuthOnly,
         "mario@example.it",
         "",
         {"334 a\r\n", "334 b\r\n", "235 ok\r\n"},
         {"EHLO client.test", "AUTH LOGIN", "bWFyaW9AZXhhbXBsZS5pdA==", "", "RSET"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> replies{c.ehlo};
        replies.insert(replies.end(), c.loginReplies.begin(), c.loginReplies.end());
        replies.insert(replies.end(), {Ok, Ok, Ok, Go, Ok, Bye});
        TScriptedSmtp server(Greeting, replies);
        TClient client(server.Port(), c.user, c.password);
        client.smtp.Connect();
        client.smtp.Send(client.message);
        client.smtp.Disconnect();
        auto transcript = server.Transcript();
        ASSERT_GE(transcript.size(), c.expectedStart.size());
        EXPECT_EQ(
            std::vector<std::string>(
                transcript.begin(), transcript.begin() + static_cast<long>(c.expectedStart.size())),
            c.expectedStart);
    }
}

TEST(SmtpSession, RefusedStepsRaiseTheFirstRefusal) {
    struct TCase {
        const char* name;
        std::string ehlo;
        std::vector<std::string> replies;  // after EHLO, up to and including QUIT's
        int code;
        std::vector<std::string> after;  // the transcript after EHLO (and login)
    };
    const std::vector<std::string> login = {"334 a\r\n", "334 b\r\n"};
    const TCase cases[] = {
        {"password refused",
         EhloAuthOnly,
         {"334 a\r\n", "334 b\r\n", "535 no\r\n", Bye},
         535,
         Join({AuthLines, {"QUIT"}})},
        {"plain recipient refused",
         "250-test.local\r\n250 SIZE 1000\r\n",
         {Ok, Ok, "550 no such user\r\n", Bye},
         550,
         {"RSET", "MAIL FROM:<mario@example.it>", "RCPT TO:<anna@example.it>", "QUIT"}},
        {"pipelined recipient refused, data accepted",
         "250-test.local\r\n250 PIPELINING\r\n",
         {"500 not judged\r\n", Ok, "550 no such user\r\n", Go, "250 empty\r\n", Bye},
         550,
         {"RSET", "MAIL FROM:<mario@example.it>", "RCPT TO:<anna@example.it>", "DATA", "", ".",
          "QUIT"}},
        {"pipelined all refused",
         "250-test.local\r\n250 PIPELINING\r\n",
         {Ok, "530 auth first\r\n", "503 bad sequence\r\n", "503 bad sequence\r\n", Bye},
         530,
         {"RSET", "MAIL FROM:<mario@example.it>", "RCPT TO:<anna@example.it>", "DATA", "QUIT"}},
        {"end of data refused",
         "250-test.local\r\n250 PIPELINING\r\n",
         {Ok, Ok, Ok, Go, "554 spam\r\n", Bye},
         554,
         {"RSET", "MAIL FROM:<mario@example.it>", "RCPT TO:<anna@example.it>", "DATA"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> replies{c.ehlo};
        replies.insert(replies.end(), c.replies.begin(), c.replies.end());
        TScriptedSmtp server(Greeting, replies);
        TClient client(server.Port());
        client.smtp.Connect();
        EXPECT_EQ(ReplyCode([&] { client.smtp.Send(client.message); }), c.code);
        EXPECT_TRUE(client.smtp.Connected());
        client.smtp.Disconnect();  // in step: QUIT gets its own 221
        auto transcript = server.Transcript();
        transcript.erase(transcript.begin());
        transcript.resize(std::min(transcript.size(), c.after.size()));
        EXPECT_EQ(transcript, c.after);
    }
}

TEST(SmtpSession, AClosingReplyEndsTheTransferAtOnce) {
    // A 421 is raised as soon as it is read, ahead of any refusal held
    // before it: no later reply will come.
    const std::string pipelining = "250-test.local\r\n250 PIPELINING\r\n";
    const std::string closing = "421 4.7.0 closing\r\n";
    struct TCase {
        const char* name;
        std::string ehlo;
        std::vector<std::string> replies;  // after EHLO; the server closes after the last
    };
    const TCase cases[] = {
        {"plain RSET", "250 test.local\r\n", {closing}},
        {"pipelined RSET", pipelining, {closing}},
        {"pipelined recipient after a refused sender", pipelining, {Ok, "550 no\r\n", closing}},
        {"pipelined DATA after a refused recipient", pipelining, {Ok, Ok, "550 no\r\n", closing}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> replies{c.ehlo};
        replies.insert(replies.end(), c.replies.begin(), c.replies.end());
        TScriptedSmtp server(Greeting, replies);
        TClient client(server.Port());
        client.smtp.Connect();
        EXPECT_EQ(ReplyCode([&] { client.smtp.Send(client.message); }), 421);
        client.smtp.Disconnect(false);
    }
}

TEST(SmtpSession, PlainRsetIsNotJudged) {
    TScriptedSmtp server(Greeting, {"250 test.local\r\n", "500 what\r\n", Ok, Ok, Go, Ok, Bye});
    TClient client(server.Port());
    client.smtp.Connect();
    EXPECT_NO_THROW(client.smtp.Send(client.message));
    client.smtp.Disconnect();
}

TEST(SmtpSession, SecondSendDoesNotLogInAgain) {
    TScriptedSmtp server(Greeting, {EhloFull, "334 a\r\n", "334 b\r\n", "235 ok\r\n", Ok, Ok, Ok,
                                    Go, Ok, Ok, Ok, Ok, Go, Ok, Bye});
    TClient client(server.Port());
    client.smtp.Connect();
    client.smtp.Send(client.message);
    client.smtp.Send(client.message);
    client.smtp.Disconnect();
    auto transcript = server.Transcript();
    ASSERT_GE(transcript.size(), 15u);
    EXPECT_EQ(transcript[10], "RSET");
    EXPECT_EQ(transcript[13], "DATA");
    EXPECT_NE(transcript[14].find("Subject: Prova"), std::string::npos);
}

TEST(SmtpSession, QuitAnsweredWrongStillCloses) {
    TScriptedSmtp server(Greeting, {EhloFull, "250 not bye\r\n"});
    TClient client(server.Port());
    client.smtp.Connect();
    EXPECT_EQ(ReplyCode([&] { client.smtp.Disconnect(); }), 250);
    EXPECT_FALSE(client.smtp.Connected());
}

TEST(SmtpSession, RefusedGreetingTriesQuitAndCloses) {
    TScriptedSmtp server("554 go away\r\n", {Bye});
    TClient client(server.Port());
    EXPECT_EQ(ReplyCode([&] { client.smtp.Connect(); }), 554);
    EXPECT_FALSE(client.smtp.Connected());
    EXPECT_EQ(server.Transcript(), std::vector<std::string>{"QUIT"});
}

TEST(SmtpSession, SilentServerFailsWithinTheLimit) {
    smtptest::TGate done;
    smtptest::TLoopbackServer server([&](smtptest::TPeer&) { done.Wait(); });
    TClient client(server.Port());
    client.smtp.SetReadTimeout(300);  // the goodbye's wait
    client.smtp.SetReplyTimeouts({200, 0, 0, 0});
    EXPECT_THROW(client.smtp.Connect(), EIdReadTimeout);
    EXPECT_FALSE(client.smtp.Connected());
    done.Open();
}

TEST(SmtpSession, SendsAreGrouped) {
    auto owned = std::make_unique<TMemoryIOHandler>();
    TMemoryIOHandler& channel = *owned;
    channel.SetCloseAtEnd(false);
    for (const std::string& reply : {Greeting, EhloFull, std::string("334 a\r\n"),
                                     std::string("334 b\r\n"), std::string("235 ok\r\n")})
        channel.Feed(reply);
    channel.Feed(Ok + Ok + Ok + Ok + Ok + Go);
    channel.Feed(Ok);
    TClient client(0);
    client.smtp.SetIOHandler(std::move(owned));
    client.smtp.SetHost("");
    client.message.Recipients().SetListText("anna@example.it, bruno@example.it");
    client.message.CCList().SetListText("carla@example.it");
    client.smtp.Connect();
    client.smtp.Send(client.message);
    const auto& sends = channel.Sends();
    ASSERT_EQ(sends.size(), 6u);
    EXPECT_EQ(sends[4],
              "RSET\r\nMAIL FROM:<mario@example.it>\r\nRCPT TO:<anna@example.it>\r\n"
              "RCPT TO:<bruno@example.it>\r\nRCPT TO:<carla@example.it>\r\nDATA\r\n");
    EXPECT_EQ(sends[5].rfind("From: "), 0u);
    EXPECT_EQ(sends[5].substr(sends[5].size() - 5), "\r\n.\r\n");
}

}  // namespace
