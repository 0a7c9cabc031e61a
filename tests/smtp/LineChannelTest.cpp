// Line reading and writing over the in-memory channel.

#include <gtest/gtest.h>

#include "MemoryIOHandler.h"
#include "smtp/IdException.h"

namespace {

struct TLineCase {
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
};

TEST(LineChannel, ReadsLinesFromChunks) {
    const TLineCase cases[] = {
        {{"250 OK\r\n"}, {"250 OK"}},
        {{"250 OK\n"}, {"250 OK"}},
        {{"\n", "\r\n"}, {"", ""}},
        {{"abc\r", "\n"}, {"abc"}},
        {{"a\r\r\n"}, {"a\r"}},
        {{"one\r\ntwo\n"}, {"one", "two"}},
        {{"sp", "lit\r", "\nnext\r\n"}, {"split", "next"}},
    };
    for (const auto& c : cases) {
        TMemoryIOHandler channel;
        for (const auto& chunk : c.chunks) channel.Feed(chunk);
        channel.Open();
        for (const auto& line : c.lines) EXPECT_EQ(channel.ReadLn(), line);
        EXPECT_THROW(channel.ReadLn(), EIdConnClosedGracefully);
    }
}

TEST(LineChannel, WriteLinesIsOneSend) {
    TMemoryIOHandler channel;
    channel.Open();
    channel.WriteLines({"RSET", "MAIL FROM:<a@b>", ""});
    ASSERT_EQ(channel.Sends().size(), 1u);
    EXPECT_EQ(channel.Output(), "RSET\r\nMAIL FROM:<a@b>\r\n\r\n");
}

}  // namespace
