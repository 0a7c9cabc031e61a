#pragma once
// A connection: owns its channel and the last server reply, and provides the
// connected test, the disconnect operation and the command exchange.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "smtp/IdComponent.h"
#include "smtp/IdIOHandler.h"
#include "smtp/IdReply.h"

class TIdTCPConnection : public TIdComponent {
  public:
    TIdTCPConnection();
    ~TIdTCPConnection() override;

    TIdIOHandler* IOHandler() const { return ioHandler_.get(); }
    // Takes ownership; the channel is kept and reused for every later connect.
    void SetIOHandler(std::unique_ptr<TIdIOHandler> ioHandler);

    // The reply read last (TIdReplyRFC unless the kind of connection sets another).
    TIdReply& LastReply() { return *lastReply_; }
    const TIdReply& LastReply() const { return *lastReply_; }

    // False without a channel; otherwise the channel's connected test (a socket
    // error of its receive passes through).
    virtual bool Connected();
    // With notifyPeer and while connected, tells the peer (DisconnectNotifyPeer);
    // then closes the channel in every case, dropping unread input, and lets an
    // error of the notification pass.
    virtual void Disconnect(bool notifyPeer = true);

    // Limits of one reply, blank lines before it included: a larger reply
    // raises EIdReplyTooLarge (the dialogue is then out of step). 0: no limit.
    std::size_t MaxReplyLines() const { return maxReplyLines_; }
    void SetMaxReplyLines(std::size_t lines) { maxReplyLines_ = lines; }
    std::size_t MaxReplyBytes() const { return maxReplyBytes_; }
    void SetMaxReplyBytes(std::size_t bytes) { maxReplyBytes_ = bytes; }

    // Reads one reply into LastReply and checks it: an empty list accepts any
    // code. The channel's ReadTimeout bounds the whole reply, not each read.
    int ReadReply(const std::vector<int>& accepted = {});
    // Writes the command as one line, then reads and checks its reply.
    int SendCommand(const std::string& command, const std::vector<int>& accepted);
    // As above with one accepted code; -1 accepts any.
    int SendCommand(const std::string& command, int accepted = -1);
    // Raises the reply error for LastReply.
    void RaiseReplyError() const;

    const std::function<void()>& OnDisconnected() const { return onDisconnected_; }
    void SetOnDisconnected(std::function<void()> handler) { onDisconnected_ = std::move(handler); }

  protected:
    // The protocol's goodbye (a closing command and its reply); nothing here.
    virtual void DisconnectNotifyPeer() {}
    // Sets the reply class this kind of connection uses.
    void SetLastReply(std::unique_ptr<TIdReply> reply) { lastReply_ = std::move(reply); }

  private:
    std::unique_ptr<TIdIOHandler> ioHandler_;
    std::unique_ptr<TIdReply> lastReply_;
    std::function<void()> onDisconnected_;
    std::size_t maxReplyLines_ = 100;
    std::size_t maxReplyBytes_ = std::size_t{64} * 1024;
};
