// The line connection over real loopback sockets.

#include <gtest/gtest.h>

#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <thread>
#include <vector>

#include "LoopbackServer.h"
#include "exception/IdException.h"
#include "smtp/IdIOHandlerStack.h"
#include "smtp/IdStackPosix.h"
#include "smtp/IdTCPClient.h"

using smtptest::TGate;
using smtptest::TLoopbackServer;
using smtptest::TPeer;

namespace {

std::unique_ptr<TIdTCPClient> ClientFor(int port, const std::string& host = "127.0.0.1") {
    auto client = std::make_unique<TIdTCPClient>();
    client->SetHost(host);
    client->SetPort(port);
    client->SetReadTimeout(smtptest::kWaitMs);
    return client;
}

// Runs the action and checks that it raises socket error `code` with `text`.
template <class Action>
void ExpectSocketError(Action&& action, int code, const std::string& text) {
    try {
        action();
        ADD_FAILURE() << "no socket error " << code;
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.ErrorCode(), code);
        EXPECT_EQ(e.what(), "Socket Error # " + std::to_string(code) + "\r\n" + text);
    }
}

struct TChunkCase {
    const char* name;
    std::vector<std::string> chunks;  // each sent by the server once the client read up to it
    std::vector<std::string> lines;   // then the server closes
};

TEST(Connection, ReadsLinesAsTheServerSendsThem) {
    const TChunkCase cases[] = {
        {"CR LF", {"250 OK\r\n"}, {"250 OK"}},
        {"LF alone", {"250 OK\n"}, {"250 OK"}},
        {"empty lines", {"\n\r\n"}, {"", ""}},
        {"two lines, one send", {"250-a\r\n250 b\r\n"}, {"250-a", "250 b"}},
        {"CR before a lone LF", {"abc\r", "\n"}, {"abc"}},
        {"line in pieces", {"25", "0 O", "K\r\n"}, {"250 OK"}},
        {"CR inside a line stays", {"a\rb\r\r\n"}, {"a\rb\r"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGate more;
        TLoopbackServer server([&](TPeer& peer) {
            for (std::size_t i = 0; i < c.chunks.size(); ++i) {
                if (i > 0 && !more.Wait()) return;
                peer.Send(c.chunks[i]);
            }
        });
        auto client = ClientFor(server.Port());
        client->Connect();
        auto& channel = *client->IOHandler();
        if (c.chunks.size() > 1) {
            // Pieces before the last are not yet a line: the read times out.
            channel.SetReadTimeout(200);
            EXPECT_THROW(channel.ReadLn(), EIdReadTimeout);
            EXPECT_TRUE(channel.ReadLnTimedOut());
            channel.SetReadTimeout(smtptest::kWaitMs);
            more.Open();
        }
        for (const auto& line : c.lines) EXPECT_EQ(channel.ReadLn(), line);
        EXPECT_THROW(channel.ReadLn(), EIdConnClosedGracefully);
        EXPECT_FALSE(client->Connected());
    }
}

TEST(Connection, MaxLineLengthBothWays) {
    const std::string at16384(16384, 'x');
    TLoopbackServer server([&](TPeer& peer) {
        peer.Send(at16384.substr(0, 16383) + "\r\n");  // LF at position 16384: accepted
        peer.Send(at16384 + "y\n");                    // LF at 16385: too long
        peer.Send(at16384 + "z");                      // 16385 bytes and no LF: too long
    });
    auto client = ClientFor(server.Port());
    client->Connect();
    auto& channel = *client->IOHandler();
    // Reads on until `size` bytes are buffered, so the limit is what raises.
    auto buffer = [&](std::size_t size) {
        while (channel.InputBuffer()->Size() < size)
            channel.ReadFromSource(true, IdTimeoutDefault, true);
    };
    EXPECT_EQ(channel.ReadLn(), at16384.substr(0, 16383));
    buffer(16386);
    EXPECT_THROW(channel.ReadLn(), EIdReadLnMaxLineLengthExceeded);
    EXPECT_EQ(channel.InputBuffer()->View().substr(0, 16386), at16384 + "y\n");  // nothing lost
    channel.SetMaxLineAction(maSplit);
    EXPECT_EQ(channel.ReadLn(), at16384);
    EXPECT_TRUE(channel.ReadLnSplit());
    EXPECT_EQ(channel.ReadLn(), "y");
    EXPECT_FALSE(channel.ReadLnSplit());
    channel.SetMaxLineAction(maException);
    buffer(16385);
    EXPECT_THROW(channel.ReadLn(), EIdReadLnMaxLineLengthExceeded);
}

TEST(Connection, PeerClosesAfterALineOrInMidLine) {
    int session = 0;
    TLoopbackServer server(
        [&](TPeer& peer) { peer.Send(session++ == 0 ? "220 ready\r\n" : "220 rea"); }, 2);
    auto client = ClientFor(server.Port());
    client->Connect();
    auto* channel = client->IOHandler();
    EXPECT_EQ(channel->ReadLn(), "220 ready");
    EXPECT_THROW(channel->ReadLn(), EIdConnClosedGracefully);
    EXPECT_FALSE(channel->Opened());
    EXPECT_FALSE(client->Connected());

    client->Connect();  // same channel object, fresh input buffer
    EXPECT_EQ(client->IOHandler(), channel);
    EXPECT_THROW(channel->ReadLn(), EIdConnClosedGracefully);
    // The socket is closed, yet unread bytes keep the connection "connected".
    EXPECT_FALSE(channel->Opened());
    EXPECT_TRUE(client->Connected());
    EXPECT_EQ(channel->InputBuffer()->View(), "220 rea");
    client->Disconnect();
    EXPECT_FALSE(client->Connected());
}

TEST(Connection, ConnectedTestSeesThePeerClose) {
    TLoopbackServer server([&](TPeer& peer) { peer.Send("221 bye\r\n"); });
    auto client = ClientFor(server.Port());
    client->Connect();
    auto& channel = *client->IOHandler();
    // Wait (bounded) until both the line and the close have arrived.
    auto& socket = static_cast<TIdIOHandlerStack&>(channel).Binding();
    pollfd entry{socket.Handle(), POLLRDHUP, 0};
    ASSERT_EQ(::poll(&entry, 1, smtptest::kWaitMs), 1);
    EXPECT_TRUE(client->Connected());  // takes the line in; unread, so still connected
    EXPECT_TRUE(channel.Opened());
    EXPECT_EQ(channel.ReadLn(), "221 bye");
    EXPECT_FALSE(client->Connected());  // now the test meets the close and closes the socket
    EXPECT_FALSE(channel.Opened());
}

TEST(Connection, RefusedThenReconnectWithTheSameChannel) {
    int closedPort = 0;
    int bound = smtptest::BindLoopback(closedPort, false);
    auto client = ClientFor(closedPort);
    ExpectSocketError([&] { client->Connect(); }, 10061, "Connection refused.");
    ::close(bound);
    auto* channel = client->IOHandler();
    ASSERT_NE(channel, nullptr);
    EXPECT_FALSE(channel->Opened());
    EXPECT_FALSE(client->Connected());

    TLoopbackServer server([](TPeer& peer) { peer.Send("220 hi\r\n"); });
    client->SetPort(server.Port());
    client->Connect();
    EXPECT_EQ(client->IOHandler(), channel);
    EXPECT_EQ(channel->ReadLn(), "220 hi");
}

TEST(Connection, ConnectWhileConnectedChangesNothing) {
    TLoopbackServer server([](TPeer& peer) {
        peer.Send("220 hi\r\n");
        EXPECT_EQ(peer.ReadLine(), "QUIT\r\n");
    });
    auto client = ClientFor(server.Port());
    client->Connect();
    EXPECT_THROW(client->Connect(), EIdAlreadyConnected);
    auto& channel = *client->IOHandler();
    EXPECT_EQ(channel.ReadLn(), "220 hi");
    channel.WriteLn("QUIT");
    client->Disconnect();
}

TEST(Connection, EmptyHostOpensWithoutSocket) {
    TIdTCPClient client;
    client.SetPort(25);
    client.Connect();
    ASSERT_NE(client.IOHandler(), nullptr);
    EXPECT_TRUE(client.IOHandler()->Opened());
    EXPECT_FALSE(client.Connected());
    EXPECT_THROW(client.IOHandler()->ReadLn(), EIdConnClosedGracefully);
}

TEST(Connection, LocalhostNeedsNoLookup) {
    for (const char* host : {"LOCALHOST", "localhost", "LocalHost"}) {
        SCOPED_TRACE(host);
        TLoopbackServer server([](TPeer& peer) { peer.Send("220 hi\r\n"); });
        std::vector<std::pair<TIdStatus, std::string>> seen;
        auto client = ClientFor(server.Port(), host);
        client->SetOnStatus(
            [&](TIdStatus s, const std::string& text) { seen.emplace_back(s, text); });
        client->Connect();
        EXPECT_EQ(client->IOHandler()->ReadLn(), "220 hi");
        const std::vector<std::pair<TIdStatus, std::string>> expected = {
            {hsResolving, host}, {hsConnecting, "127.0.0.1"}, {hsConnected, host}};
        EXPECT_EQ(seen, expected);
        auto& socket = static_cast<TIdIOHandlerStack*>(client->IOHandler())->Binding();
        EXPECT_EQ(socket.PeerPort(), server.Port());
    }
}

TEST(Connection, DottedAddressesSkipTheLookup) {
    struct {
        const char* host;
        bool dotted;
    } const cases[] = {
        {"10.0.0.7", true},   {"010.0.0.7", true}, {"10.0.0", false}, {"10.0.0.7.1", false},
        {"256.0.0.1", false}, {"1..2.3", false},   {"1.2.3.", false}, {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(TIdStack::IsIPv4Dotted(c.host), c.dotted) << c.host;

    TLoopbackServer server([](TPeer& peer) { peer.Send("220 hi\r\n"); });
    std::vector<TIdStatus> seen;
    auto client = ClientFor(server.Port());
    client->SetOnStatus([&](TIdStatus s, const std::string&) { seen.push_back(s); });
    client->Connect();
    EXPECT_EQ(seen, (std::vector<TIdStatus>{hsConnecting, hsConnected}));
    // Nagle's algorithm stays on.
    int noDelay = -1;
    socklen_t length = sizeof noDelay;
    ::getsockopt(static_cast<TIdIOHandlerStack*>(client->IOHandler())->Binding().Handle(),
                 IPPROTO_TCP, TCP_NODELAY, &noDelay, &length);
    EXPECT_EQ(noDelay, 0);
}

TEST(Connection, IPv6Loopback) {
    for (const char* host : {"::1", "localhost"}) {
        SCOPED_TRACE(host);
        TLoopbackServer server([](TPeer& peer) { peer.Send("220 six\r\n"); }, 1, true);
        if (!server.Listening()) GTEST_SKIP() << "no ::1 on this machine";
        auto client = ClientFor(server.Port(), host);
        client->SetIPVersion(Id_IPv6);
        client->Connect();
        EXPECT_EQ(client->IOHandler()->ReadLn(), "220 six");
        EXPECT_EQ(static_cast<TIdIOHandlerStack*>(client->IOHandler())->Binding().PeerIP(), "::1");
    }
}

TEST(Connection, UnknownHost) {
    // ".invalid" never resolves (RFC 6761).
    auto client = ClientFor(25, "nosuchhost.invalid");
    ExpectSocketError([&] { client->Connect(); }, 11001, "Host not found.");
    EXPECT_FALSE(client->IOHandler()->Opened());
    EXPECT_FALSE(client->Connected());
}

TEST(Connection, ConnectTimeLimit) {
    // A listener with a full accept queue drops further connection attempts.
    int port = 0;
    int listener = smtptest::BindLoopback(port, true, 0);
    TIdTCPClient first;
    first.SetHost("127.0.0.1");
    first.SetPort(port);
    first.Connect();
    auto client = ClientFor(port);
    client->SetConnectTimeout(200);
    auto third = ClientFor(port);
    third->SetConnectTimeout(200);
    ExpectSocketError(
        [&] {
            client->Connect();
            // Some kernels queue one more; then the next one must wait.
            third->Connect();
        },
        10060, "Connection timed out.");
    ::close(listener);
}

TEST(Connection, AStopEndsAConnectThatWouldHang) {
    // Full accept queue, as above, and a time limit far longer than the
    // stop's 300 ms: the stop must end the wait, not the limit.
    int port = 0;
    int listener = smtptest::BindLoopback(port, true, 0);
    std::vector<std::unique_ptr<TIdTCPClient>> queued;
    std::atomic<bool> stop{false};
    bool aborted = false;
    // Some kernels queue one more attempt than asked: fill the queue until
    // one connect waits.
    for (int i = 0; i < 4 && !aborted; ++i) {
        auto client = ClientFor(port);
        client->SetConnectTimeout(5000);
        client->SetAbortFlag(&stop);
        std::thread button([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            stop = true;
        });
        try {
            client->Connect();
        } catch (const EIdAborted&) {
            aborted = true;
        }
        button.join();
        stop = false;
        queued.push_back(std::move(client));
    }
    EXPECT_TRUE(aborted);
    ::close(listener);
}

TEST(Connection, ReadTimeoutKeepsTheChannelOpen) {
    TGate late;
    TLoopbackServer server([&](TPeer& peer) {
        if (late.Wait()) peer.Send("250 late\r\n");
    });
    auto client = ClientFor(server.Port());
    client->SetReadTimeout(100);
    client->Connect();
    auto& channel = *client->IOHandler();
    EXPECT_EQ(channel.ReadTimeout(), 100);
    try {
        channel.ReadLn();
        FAIL() << "read without data returned";
    } catch (const EIdReadTimeout& e) {
        EXPECT_STREQ(e.what(), "Read Timeout");
    }
    EXPECT_TRUE(client->Connected());
    late.Open();
    channel.SetReadTimeout(smtptest::kWaitMs);
    EXPECT_EQ(channel.ReadLn(), "250 late");
}

TEST(Connection, WritesToAResetPeerRaiseInsteadOfKilling) {
    // The server resets only after a first line, so the reset cannot race the
    // connect itself.
    TLoopbackServer server([](TPeer& peer) {
        peer.ReadLine();
        peer.Abort();
    });
    auto client = ClientFor(server.Port());
    client->Connect();
    auto& channel = *client->IOHandler();
    channel.WriteLn("ciao");
    bool raised = false;
    // The reset arrives after a send or two; each try is bounded by the count.
    for (int i = 0; i < 200 && !raised; ++i) {
        try {
            channel.WriteLn(std::string(1000, 'x'));
            ::usleep(5000);
        } catch (const EIdSocketError& e) {
            raised = true;
            EXPECT_TRUE(e.ErrorCode() == 10054 || e.ErrorCode() == 10058) << e.ErrorCode();
        } catch (const EIdConnClosedGracefully&) {
            raised = true;
        }
    }
    EXPECT_TRUE(raised);
}

TEST(SocketErrors, Messages) {
    const struct {
        int code;
        const char* message;
    } messages[] = {
        {10061, "Socket Error # 10061\r\nConnection refused."},
        {10066, "Socket Error # 10066\r\nDirectory not empty"},
        {11001, "Socket Error # 11001\r\nHost not found."},
        {12345, "Socket Error # 12345\r\n"},
        {11002, "Socket Error # 11002\r\n"},
    };
    for (const auto& m : messages) EXPECT_STREQ(EIdSocketError(m.code).what(), m.message);
    EXPECT_THROW(RaiseSocketError(10038), EIdNotASocket);
}

}  // namespace
