// Reading, parsing and checking SMTP replies, as a table of server bytes.

#include <gtest/gtest.h>

#include "MemoryIOHandler.h"
#include "smtp/IdReplySMTP.h"
#include "smtp/IdTCPConnection.h"

namespace {

class TSmtpConnection : public TIdTCPConnection {
  public:
    TSmtpConnection() { SetLastReply(std::make_unique<TIdReplySMTP>()); }

    // A connection over a fresh in-memory channel with this server script.
    static std::unique_ptr<TSmtpConnection> Over(const std::string& script) {
        auto connection = std::make_unique<TSmtpConnection>();
        auto channel = std::make_unique<TMemoryIOHandler>();
        channel->Feed(script);
        channel->Open();
        connection->SetIOHandler(std::move(channel));
        return connection;
    }
    TMemoryIOHandler& Channel() { return static_cast<TMemoryIOHandler&>(*IOHandler()); }
    TIdReplySMTP& Reply() { return static_cast<TIdReplySMTP&>(LastReply()); }
};

struct TReplyCase {
    const char* input;
    std::vector<int> accepted;
    int code;                       // result, or error code of a reply error
    std::vector<std::string> text;  // LastReply().Text()
    const char* enhanced;           // ReplyAsStr
    const char* error;              // what() of the exception, nullptr when none
};

TEST(Reply, ParsesAndChecks) {
    const TReplyCase cases[] = {
        {"250-first\r\n250-PIPELINING\r\n250 HELP\r\n",
         {},
         250,
         {"first", "PIPELINING", "HELP"},
         "",
         nullptr},
        {"250 OK\r\n", {250}, 250, {"OK"}, "", nullptr},
        {"250 2.1.0 Sender ok\r\n", {250}, 250, {"Sender ok"}, "2.1.0", nullptr},
        {"550 5.7.1 Relaying denied\r\n",
         {250},
         550,
         {"Relaying denied"},
         "5.7.1",
         "Relaying denied\r\n"},
        {"220\r\n", {220}, 220, {""}, "", nullptr},
        {"250  OK\r\n", {}, 250, {"OK"}, "", nullptr},
        {"250 3.1.0 not enhanced\r\n", {}, 250, {"3.1.0 not enhanced"}, "", nullptr},
        {"\r\n  \r\n   250 OK  \r\n", {}, 250, {"OK"}, "", nullptr},
        {"250-a\r\n354 b\r\n", {}, 250, {"a", "b"}, "", nullptr},
        {"250\tx\r\n250 y\n", {}, 250, {"x", "y"}, "", nullptr},
        {"250 2.1.0\r\n", {}, 250, {""}, "2.1.0", nullptr},
        {"250 2x.1.0 odd class\r\n", {}, 250, {"odd class"}, "0.1.0", nullptr},
        {"250 5.1234.99999 long parts\r\n", {}, 250, {"long parts"}, "5.123.999", nullptr},
        {"250 12.1.0 x\r\n", {}, 250, {"12.1.0 x"}, "", nullptr},
        {"250 2.1 x\r\n", {}, 250, {"2.1 x"}, "", nullptr},
        {"250 2.1.0.1 x\r\n", {}, 250, {"2.1.0.1 x"}, "", nullptr},
        {"250 2..0 x\r\n", {}, 250, {"2..0 x"}, "", nullptr},
        {"250-2.0.0 first\r\n250 second\r\n", {}, 250, {"first", "second"}, "2.0.0", nullptr},
        {"421 4.3.2 busy\r\n", {250, 251}, 421, {"busy"}, "4.3.2", "busy\r\n"},
        {"421 4.3.2 busy\r\n", {}, 421, {"busy"}, "4.3.2", nullptr},
        {"500-one\r\n500 two\r\n", {250}, 500, {"one", "two"}, "", "one\r\ntwo\r\n"},
        {"2500 ok\r\n250 end\r\n", {}, 0, {}, "", "Reply Code is not valid: 2500"},
        {"abc def\r\n", {}, 0, {}, "", "Reply Code is not valid: abc"},
        {"099 low\r\n", {}, 0, {}, "", "Reply Code is not valid: 099"},
        {"+25 sign\r\n", {}, 0, {}, "", "Reply Code is not valid: +25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        auto connection = TSmtpConnection::Over(c.input);
        try {
            EXPECT_EQ(connection->ReadReply(c.accepted), c.code);
            EXPECT_EQ(c.error, nullptr) << "no error raised";
        } catch (const EIdSMTPReplyError& e) {
            ASSERT_NE(c.error, nullptr) << e.what();
            EXPECT_STREQ(e.what(), c.error);
            EXPECT_EQ(e.ErrorCode(), c.code);
            EXPECT_EQ(e.EnhancedCode().ReplyAsStr(), c.enhanced);
        } catch (const EIdException& e) {
            ASSERT_NE(c.error, nullptr) << e.what();
            EXPECT_STREQ(e.what(), c.error);
            EXPECT_EQ(connection->LastReply().Code(), "");
        }
        EXPECT_EQ(connection->LastReply().Text(), c.text);
        EXPECT_EQ(connection->Reply().EnhancedCode().ReplyAsStr(), c.enhanced);
        EXPECT_FALSE(connection->Channel().InputLeft()) << "the whole reply is consumed";
    }
}

TEST(Reply, ShortLineEndsTheReplyAndInvalidCodesConsumeIt) {
    auto connection = TSmtpConnection::Over("250-a\r\n25\r\n250 b\r\nxyz-1\r\nxyz 2\r\n221 ok\r\n");
    EXPECT_EQ(connection->ReadReply(), 250);
    EXPECT_EQ(connection->LastReply().Text(), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(connection->ReadReply(), 250);
    EXPECT_EQ(connection->LastReply().Text(), std::vector<std::string>{"b"});
    EXPECT_THROW(connection->ReadReply(), EIdException);
    EXPECT_TRUE(connection->LastReply().Text().empty());
    EXPECT_EQ(connection->ReadReply({221}), 221);
}

TEST(Reply, EnhancedCodeStaysUntilALineSetsIt) {
    auto connection = TSmtpConnection::Over("250 2.1.0 ok\r\n250 OK\r\n250  x\r\n");
    connection->ReadReply();
    connection->ReadReply();
    EXPECT_EQ(connection->Reply().EnhancedCode().ReplyAsStr(), "2.1.0");
    connection->ReadReply();
    EXPECT_FALSE(connection->Reply().EnhancedCode().Available);
}

TEST(Reply, ErrorsOfTheChannelPassThroughAndKeepTheLastReply) {
    auto connection = TSmtpConnection::Over("250 2.0.0 fine\r\n250-cut");
    connection->ReadReply();
    EXPECT_THROW(connection->ReadReply(), EIdConnClosedGracefully);
    EXPECT_EQ(connection->LastReply().Text(), std::vector<std::string>{"fine"});
}

TEST(Reply, CommandExchange) {
    auto connection = TSmtpConnection::Over("250 hello\r\n550 no\r\n354 go\r\n");
    EXPECT_EQ(connection->SendCommand("EHLO client"), 250);
    EXPECT_THROW(connection->SendCommand("RCPT TO:<x@y>", {250, 251}), EIdSMTPReplyError);
    EXPECT_EQ(connection->SendCommand("DATA", 354), 354);
    EXPECT_EQ(connection->Channel().Sends(),
              (std::vector<std::string>{"EHLO client\r\n", "RCPT TO:<x@y>\r\n", "DATA\r\n"}));
    EXPECT_THROW(connection->RaiseReplyError(), EIdSMTPReplyError);
}

TEST(Reply, InjectedCommandIsRefusedBeforeAnythingIsWritten) {
    auto connection = TSmtpConnection::Over("250 ok\r\n");
    EXPECT_THROW(connection->SendCommand("MAIL FROM:<a@b>\r\nRCPT TO:<evil@x>", 250),
                 EIdInvalidLine);
    EXPECT_TRUE(connection->Channel().Sends().empty());
    EXPECT_EQ(connection->ReadReply(), 250);  // the server's bytes are still unread
}

TEST(Reply, NoChannel) {
    TSmtpConnection connection;
    EXPECT_THROW(connection.SendCommand("NOOP"), EIdNotConnected);
    try {
        connection.ReadReply();
    } catch (const EIdNotConnected& e) {
        EXPECT_STREQ(e.what(), "Not connected.");
    }
}

TEST(Reply, EnhancedCodeText) {
    TIdSMTPEnhancedCode code;
    EXPECT_EQ(code, (TIdSMTPEnhancedCode{2, 0, 0, false}));
    code.SetReplyAsStr("45.012.7");
    EXPECT_EQ(code, (TIdSMTPEnhancedCode{45, 12, 7, true}));
    EXPECT_EQ(code.ReplyAsStr(), "4.12.7");
    code.SetReplyAsStr(" ");
    EXPECT_FALSE(code.Available);
    EXPECT_THROW(code.SetReplyAsStr("3.1.0"), EIdException);

    auto copy = TSmtpConnection::Over("550 5.1.1 unknown user\r\n");
    copy->ReadReply();
    auto held = copy->LastReply().Clone();
    try {
        held->RaiseReplyError();
    } catch (const EIdSMTPReplyError& e) {
        EXPECT_EQ(e.ErrorCode(), 550);
        EXPECT_EQ(e.EnhancedCode().ReplyAsStr(), "5.1.1");
    }
}

}  // namespace
