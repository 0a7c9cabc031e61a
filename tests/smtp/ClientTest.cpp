// Connect, disconnect and the shared socket-library object, over the
// in-memory channel.

#include <gtest/gtest.h>

#include <unistd.h>

#include "MemoryIOHandler.h"
#include "smtp/IdReplyRFC.h"
#include "smtp/IdStack.h"
#include "smtp/IdTCPClient.h"

namespace {

// A client whose goodbye is QUIT, expecting 221.
class TQuitClient : public TIdTCPClient {
  public:
    TQuitClient() {
        SetIOHandler(std::make_unique<TMemoryIOHandler>());
        SetOnStatus([this](TIdStatus s, const std::string&) { statuses.push_back(s); });
        SetOnDisconnected([this] { ++disconnectedEvents; });
    }
    TMemoryIOHandler& Channel() { return static_cast<TMemoryIOHandler&>(*IOHandler()); }
    const std::string& HostName() { return Stack().HostName(); }

    std::vector<TIdStatus> statuses;
    int disconnectedEvents = 0;

  protected:
    void DisconnectNotifyPeer() override { SendCommand("QUIT", 221); }
};

TEST(Client, DisconnectSaysGoodbyeWhileConnected) {
    TQuitClient client;
    client.Channel().Feed("221 bye\r\n");
    client.Channel().SetCloseAtEnd(false);
    client.Connect();
    client.Disconnect();
    EXPECT_EQ(client.Channel().Output(), "QUIT\r\n");
    EXPECT_FALSE(client.IOHandler()->Opened());
    EXPECT_EQ(client.statuses,
              (std::vector<TIdStatus>{hsConnected, hsDisconnecting, hsDisconnected}));
    EXPECT_EQ(client.disconnectedEvents, 1);
}

TEST(Client, DisconnectClosesEvenWhenTheGoodbyeFails) {
    TQuitClient client;
    client.Channel().Feed("250 what\r\nmore junk\r\n");
    client.Connect();
    EXPECT_THROW(client.Disconnect(), EIdReplyRFCError);
    EXPECT_FALSE(client.IOHandler()->Opened());
    // What the server sent beyond the failed goodbye belongs to no later
    // exchange: the client can connect again.
    EXPECT_FALSE(client.Connected());
    client.Channel().Feed("220 again\r\n");
    client.Connect();
    EXPECT_EQ(client.IOHandler()->ReadLn(), "220 again");
}

TEST(Client, NoGoodbyeWhenNotConnectedOrNotAsked) {
    TQuitClient closed;
    closed.Connect();  // empty script: the peer has already gone
    closed.Disconnect();
    EXPECT_EQ(closed.Channel().Output(), "");

    TQuitClient quiet;
    quiet.Channel().SetCloseAtEnd(false);
    quiet.Connect();
    quiet.Disconnect(false);
    EXPECT_EQ(quiet.Channel().Output(), "");
    EXPECT_FALSE(quiet.IOHandler()->Opened());
}

TEST(Client, TimeoutsReachTheChannelOnlyWhenPositive) {
    TQuitClient client;
    client.Channel().SetCloseAtEnd(false);
    client.Channel().SetReadTimeout(7);
    client.Connect();
    EXPECT_EQ(client.IOHandler()->ReadTimeout(), 7);
    client.Disconnect(false);
    client.SetReadTimeout(3000);
    client.Connect();
    EXPECT_EQ(client.IOHandler()->ReadTimeout(), 3000);
    EXPECT_THROW(client.SetPort(65536), EIdException);
}

TEST(Client, OneSocketLibraryObjectWhileTransportObjectsLive) {
    const int before = TIdComponent::LiveCount();
    {
        TQuitClient client;  // the client and its channel
        EXPECT_EQ(TIdComponent::LiveCount(), before + 2);
        char name[256] = {};
        ::gethostname(name, sizeof name - 1);
        EXPECT_EQ(client.HostName(), name);
    }
    EXPECT_EQ(TIdComponent::LiveCount(), before);
}

}  // namespace
