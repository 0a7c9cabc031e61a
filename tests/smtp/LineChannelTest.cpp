// Line reading and writing over the in-memory channel, where the chunking of
// the input and each raw send can be seen exactly.

#include <gtest/gtest.h>

#include "MemoryIOHandler.h"
#include "exception/IdException.h"

namespace {

TEST(LineChannel, TwoLinesInOneReceive) {
    TMemoryIOHandler channel;
    channel.Feed("250-a\r\n250 b\r\n");
    channel.SetCloseAtEnd(false);
    channel.Open();
    EXPECT_EQ(channel.ReadLn(), "250-a");
    EXPECT_EQ(channel.ReadLn(), "250 b");
    EXPECT_EQ(channel.ReceiveCount(), 1);
}

TEST(LineChannel, ReadFirstLineSkipsBlankLinesAndTrims) {
    TMemoryIOHandler channel;
    channel.Feed("\r\n  \t\r\n\n  250 OK \r\nnext\n");
    channel.Open();
    EXPECT_EQ(channel.ReadLnFirst(2147483647), "250 OK");
    EXPECT_EQ(channel.ReadLn(), "next");

    TMemoryIOHandler few;
    few.Feed("\n\n\nlate\n");
    few.Open();
    EXPECT_EQ(few.ReadLnFirst(2), "");
    EXPECT_EQ(few.ReadLnFirst(2), "late");
}

TEST(LineChannel, ChannelNeverOpened) {
    TMemoryIOHandler channel;
    EXPECT_FALSE(channel.Connected());
    EXPECT_THROW(channel.ReadLn(), EIdException);  // "Not Connected", no input buffer yet
}

TEST(LineChannel, WriteBufferCollectsIntoOneSend) {
    TMemoryIOHandler channel;
    channel.Open();
    channel.WriteBufferOpen();
    channel.WriteLn("RSET");
    channel.WriteLines({"MAIL FROM:<a@b>", "RCPT TO:<c@d>"});
    channel.Write("");
    channel.WriteLn("DATA");
    EXPECT_TRUE(channel.Sends().empty());
    channel.WriteBufferClose();
    ASSERT_EQ(channel.Sends().size(), 1u);
    EXPECT_EQ(channel.Output(), "RSET\r\nMAIL FROM:<a@b>\r\nRCPT TO:<c@d>\r\nDATA\r\n");
    EXPECT_FALSE(channel.WriteBufferingActive());

    channel.ClearOutput();
    channel.WriteLn();
    channel.Write("");
    channel.WriteLines({});
    EXPECT_EQ(channel.Sends(), std::vector<std::string>{"\r\n"});
}

TEST(LineChannel, LineBreaksInsideALineAreRefused) {
    const std::string bad[] = {"RCPT TO:<a@b>\r\nDATA", "x\n", "x\r", std::string("a\0b", 3)};
    for (const auto& text : bad) {
        TMemoryIOHandler channel;
        channel.Open();
        EXPECT_THROW(channel.WriteLn(text), EIdInvalidLine);
        EXPECT_THROW(channel.WriteLines({"RSET", text}), EIdInvalidLine);
        EXPECT_TRUE(channel.Sends().empty());
        // In a batch, the lines before the refused one still leave on close.
        channel.WriteBufferOpen();
        channel.WriteLn("RSET");
        EXPECT_THROW(channel.WriteLn(text), EIdInvalidLine);
        channel.WriteBufferClose();
        EXPECT_EQ(channel.Output(), "RSET\r\n");
    }
}

TEST(LineChannel, PartialSendsAreCompleted) {
    TMemoryIOHandler channel;
    channel.SetSendLimit(3);
    channel.Open();
    channel.WriteLn("HELLO");
    EXPECT_EQ(channel.Sends(), (std::vector<std::string>{"HEL", "LO\r", "\n"}));
}

TEST(LineChannel, SendAcceptingNothingClosesAndRaises) {
    TMemoryIOHandler channel;
    channel.SetRefuseSends(true);
    channel.SetCloseAtEnd(false);
    channel.Feed("250 unread\r\n");
    channel.Open();
    channel.ReadFromSource(true, 0, false);
    // Unread input would hide the close from the check; the write still stops.
    EXPECT_THROW(channel.WriteLn("QUIT"), EIdConnClosedGracefully);
    EXPECT_FALSE(channel.Opened());
    EXPECT_EQ(channel.ReadLn(), "250 unread");
    EXPECT_THROW(channel.WriteLn("QUIT"), EIdConnClosedGracefully);
}

}  // namespace
