// A whole SMTP dialogue (greeting, EHLO, login, one message, goodbye) over the
// in-memory channel, with the connection reset at each of its receives and
// then at each of its sends in turn: every fault ends in the socket error,
// with nothing more read or sent.

#include <gtest/gtest.h>

#include <memory>

#include "MemoryIOHandler.h"
#include "SmtpSessionServer.h"
#include "exception/IdException.h"
#include "smtp/IdSMTP.h"

namespace {

enum class TFault { None, Receive, Send };

struct TDialogue {
    TIdSMTP smtp;
    TIdMessage message;
    TMemoryIOHandler* channel = nullptr;

    TDialogue(TFault fault, int n) {
        auto owned = std::make_unique<TMemoryIOHandler>();
        channel = owned.get();
        channel->SetCloseAtEnd(false);
        for (const std::string& reply :
             {smtptest::Greeting, std::string("250-test.local\r\n250 AUTH LOGIN\r\n"),
              std::string("334 VXNlcm5hbWU6\r\n"), std::string("334 UGFzc3dvcmQ6\r\n"),
              std::string("235 ok\r\n"), smtptest::Ok, smtptest::Ok, smtptest::Ok, smtptest::Go,
              smtptest::Ok, smtptest::Bye})
            channel->Feed(reply);
        if (fault == TFault::Receive) channel->SetFailingReceive(n);
        if (fault == TFault::Send) channel->SetFailingSend(n);
        smtp.SetIOHandler(std::move(owned));
        smtp.SetHost("");
        smtp.SetHeloName("client.test");
        smtp.SetUsername("mario@example.it");
        smtp.SetPassword("1234");
        smtp.SetReadTimeout(5000);
        message.From().SetAddress("mario@example.it");
        message.SetSubject("Prova");
        message.Recipients().SetListText("anna@example.it");
        message.SetBodyText("riga uno\r.punto\r");
    }

    void Run() {
        smtp.Connect();
        smtp.Send(message);
        smtp.Disconnect();
    }
};

TEST(SmtpFaultSweep, EveryReceiveAndSendFailingEndsTheDialogueClosed) {
    TDialogue clean(TFault::None, 0);
    ASSERT_NO_THROW(clean.Run());
    const int receives = clean.channel->ReceiveCount();
    const int sends = clean.channel->SendCount();
    ASSERT_GE(receives, 5);
    ASSERT_GE(sends, 5);

    for (const TFault fault : {TFault::Receive, TFault::Send}) {
        const int count = fault == TFault::Receive ? receives : sends;
        for (int n = 1; n <= count; ++n) {
            SCOPED_TRACE((fault == TFault::Receive ? "receive " : "send ") + std::to_string(n));
            TDialogue dialogue(fault, n);
            int code = 0;
            try {
                dialogue.Run();
            } catch (const EIdSocketError& error) {
                code = error.ErrorCode();
            }
            EXPECT_EQ(code, TMemoryIOHandler::ResetCode());
            // Nothing more read or sent after the fault: no goodbye tried, no
            // reply awaited. Closing is the caller's (the send run's) job,
            // except while connecting, where the client closes itself.
            const int done = fault == TFault::Receive ? dialogue.channel->ReceiveCount()
                                                      : dialogue.channel->SendCount();
            EXPECT_EQ(done, n);
            if (fault == TFault::Receive) {
                EXPECT_EQ(dialogue.channel->Output().find("QUIT"), std::string::npos);
            }
            // Connecting: the greeting and EHLO with its reply.
            if (n <= (fault == TFault::Receive ? 2 : 1)) {
                EXPECT_FALSE(dialogue.channel->Opened());
            }
        }
    }
}

}  // namespace
