#pragma once
// The SMTP dialogue below authentication: the greeting exchange (EHLO or HELO
// and the capability list) and the transfer of one message, plain or
// pipelined.

#include <functional>
#include <string>
#include <vector>

#include "smtp/IdMessageClient.h"
#include "smtp/IdReplySMTP.h"

class TIdEMailAddressList;

// Reply waits of the dialogue's stages, in milliseconds; 0 leaves the
// client's ReadTimeout (which itself may be 0: no limit). RFC 5321 §4.5.3.2
// advises at least: greeting 5 min, MAIL and RCPT 5 min, DATA 2 min, and
// 10 min for the reply to the "." that ends the data.
struct TIdSMTPReplyTimeouts {
    int Greeting = 0;  // the server's first reply
    int Envelope = 0;  // MAIL FROM and RCPT TO
    int Data = 0;      // DATA
    int DataEnd = 0;   // the end-of-data line
    int Quit = 0;      // the goodbye
};

class TIdSMTPBase : public TIdMessageClient {
  public:
    TIdSMTPBase();
    ~TIdSMTPBase() override;

    bool UseEhlo() const { return useEhlo_; }
    void SetUseEhlo(bool value) { useEhlo_ = value; }
    bool PipeLine() const { return pipeLine_; }
    void SetPipeLine(bool value) { pipeLine_ = value; }
    const std::string& HeloName() const { return heloName_; }
    void SetHeloName(const std::string& name) { heloName_ = name; }
    const std::string& MailAgent() const { return mailAgent_; }
    void SetMailAgent(const std::string& agent) { mailAgent_ = agent; }

    const TIdSMTPReplyTimeouts& ReplyTimeouts() const { return replyTimeouts_; }
    void SetReplyTimeouts(const TIdSMTPReplyTimeouts& timeouts) { replyTimeouts_ = timeouts; }

    // Called right before the message text and its end-of-data line leave; an
    // exception from it stops the send with nothing of the text written.
    void SetOnBeforeDataEnd(std::function<void()> handler) {
        onBeforeDataEnd_ = std::move(handler);
    }
    // Whether the last send wrote its end-of-data line: from then on a failure
    // may hide a message the server has taken.
    bool DataEndWritten() const { return dataEndWritten_; }

    // The name given in EHLO and HELO.
    std::string GreetingName() const;

  protected:
    // Empties the capability list; EHLO (any code, 250 fills the list) and,
    // when that is off or not 250, HELO accepting 250.
    void SendGreeting();
    // Reads one reply waiting at most `timeoutMs` (0: the client's limit).
    int ReadReplyWithin(int timeoutMs, const std::vector<int>& accepted);
    // Writes one command and reads its reply within the limit.
    int SendCommandWithin(int timeoutMs, const std::string& command,
                          const std::vector<int>& accepted);
    // RSET, the envelope, DATA, the message text and the end of data; raises
    // the first refused reply.
    void SendNoPipelining(TIdMessage& message, const TIdEMailAddressList& recipients);
    // The same, with RSET, the envelope and DATA in one send.
    void SendPipelining(TIdMessage& message, const TIdEMailAddressList& recipients);
    bool HasCapability(const std::string& line) const;
    // Raises the last reply's error when it is a 421 (the server is closing).
    void RaiseIfClosing() const;
    void SetDataEndWritten(bool written) { dataEndWritten_ = written; }
    // Names the command the next reply read answers.
    void Answering(TIdSMTPCommand command);

  private:
    // The message text and the end-of-data line in one send, then its reply.
    void WriteMessageAndEnd(TIdMessage& message);

    bool useEhlo_ = true;
    bool pipeLine_ = true;
    std::string heloName_;
    std::string mailAgent_;
    TIdSMTPReplyTimeouts replyTimeouts_;
    std::function<void()> onBeforeDataEnd_;
    bool dataEndWritten_ = false;
};
