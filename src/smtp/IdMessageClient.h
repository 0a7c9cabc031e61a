#pragma once
// A client that can write a message through its channel: the text that
// follows the SMTP "DATA" command, up to but not including the end-of-data line.

#include "mailing/IdMessage.h"
#include "smtp/IdExplicitTLSClient.h"

class TIdMessageClient : public TIdExplicitTLSClient {
  public:
    TIdMessageClient();
    ~TIdMessageClient() override;

    // Header lines in one send, an empty line, the body lines (one more "."
    // in front of a line that begins with "."), an empty line. Nothing is
    // written when the message is refused (unsafe text, no time zone).
    // EIdNotConnected without a channel.
    virtual void WriteMessage(TIdMessage& message);
};
