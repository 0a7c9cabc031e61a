#include "smtp/IdSMTPBase.h"

#include <unistd.h>

#include <memory>

#include "mailing/IdEMailAddress.h"
#include "smtp/IdReplySMTP.h"
#include "smtp/IdStack.h"
#include "text/Testo.h"

namespace {

// The machine's name as the system reports it, at most 15 characters.
std::string ComputerName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    return std::string(name).substr(0, 15);
}

// Sets the channel's read limit for one wait and puts the old one back.
class TReadLimit {
  public:
    TReadLimit(TIdIOHandler* io, int timeoutMs) : io_(io) {
        if (io_ == nullptr || timeoutMs <= 0) return;
        saved_ = io_->ReadTimeout();
        io_->SetReadTimeout(timeoutMs);
        active_ = true;
    }
    ~TReadLimit() {
        if (active_) io_->SetReadTimeout(saved_);
    }
    TReadLimit(const TReadLimit&) = delete;
    TReadLimit& operator=(const TReadLimit&) = delete;

  private:
    TIdIOHandler* io_;
    int saved_ = 0;
    bool active_ = false;
};

}  // namespace

TIdSMTPBase::TIdSMTPBase() {
    SetLastReply(std::make_unique<TIdReplySMTP>());
    SetPort(25);
}

TIdSMTPBase::~TIdSMTPBase() = default;

std::string TIdSMTPBase::GreetingName() const {
    if (!heloName_.empty()) return heloName_;
    if (!Stack().HostName().empty()) return Stack().HostName();
    return ComputerName();
}

int TIdSMTPBase::ReadReplyWithin(int timeoutMs, const std::vector<int>& accepted) {
    TReadLimit limit(IOHandler(), timeoutMs);
    return ReadReply(accepted);
}

int TIdSMTPBase::SendCommandWithin(int timeoutMs, const std::string& command,
                                   const std::vector<int>& accepted) {
    TReadLimit limit(IOHandler(), timeoutMs);
    return SendCommand(command, accepted);
}

void TIdSMTPBase::Answering(TIdSMTPCommand command) {
    static_cast<TIdReplySMTP&>(LastReply()).SetCommand(command);
}

void TIdSMTPBase::SendGreeting() {
    Capabilities().clear();
    Answering(TIdSMTPCommand::Hello);
    const std::string name = GreetingName();
    if (useEhlo_ && SendCommand("EHLO " + name) == 250) {
        const auto& lines = LastReply().Text();
        if (lines.size() > 1) Capabilities().assign(lines.begin() + 1, lines.end());
        return;
    }
    // A closing server is not one that lacks EHLO: HELO would meet a closed
    // channel and hide the 421 that asks to try again later.
    RaiseIfClosing();
    SendCommand("HELO " + name, 250);
}

bool TIdSMTPBase::HasCapability(const std::string& line) const {
    for (const auto& capability : Capabilities())
        if (brivano::EqualsNoCase(capability, line)) return true;
    return false;
}

void TIdSMTPBase::WriteMessageAndEnd(TIdMessage& message) {
    // One send for the text and its end: written line by line, each small send
    // would wait on the server's delayed acknowledgement.
    TIdIOHandler* io = IOHandler();
    if (io == nullptr) throw EIdNotConnected("Not connected.");
    if (onBeforeDataEnd_) onBeforeDataEnd_();
    io->WriteBufferOpen();
    try {
        WriteMessage(message);
        io->WriteLn(".");
    } catch (...) {
        io->WriteBufferClose();
        throw;
    }
    io->WriteBufferClose();
    dataEndWritten_ = true;
    Answering(TIdSMTPCommand::DataEnd);
    ReadReplyWithin(replyTimeouts_.DataEnd, {250});
}

void TIdSMTPBase::RaiseIfClosing() const {
    // RFC 5321 §3.8: "421 <domain> Service not available, closing transmission
    // channel" may answer any command; nothing follows it, so waiting for the
    // replies still due would only report the closed channel instead.
    if (LastReply().NumericCode() == 421) RaiseReplyError();
}

void TIdSMTPBase::SendNoPipelining(TIdMessage& message, const TIdEMailAddressList& recipients) {
    // C: RSET  S: 250 (not judged, save a closing 421: on a session that
    // already carried a message it is the server's way of ending it).
    Answering(TIdSMTPCommand::Reset);
    SendCommand("RSET");
    RaiseIfClosing();
    Answering(TIdSMTPCommand::MailFrom);
    SendCommandWithin(replyTimeouts_.Envelope, "MAIL FROM:<" + message.From().Address() + ">",
                      {250});
    Answering(TIdSMTPCommand::RcptTo);
    for (std::size_t i = 0; i < recipients.Count(); ++i)
        SendCommandWithin(replyTimeouts_.Envelope, "RCPT TO:<" + recipients[i].Address() + ">",
                          {250, 251});
    Answering(TIdSMTPCommand::Data);
    SendCommandWithin(replyTimeouts_.Data, "DATA", {354});
    WriteMessageAndEnd(message);
}

// Pipelining (RFC 2920 §3.1): with PIPELINING offered, RSET, MAIL FROM, every
// RCPT TO and DATA go as one batch and the replies are read afterwards in the
// same order:  C: RSET / MAIL FROM:<a> / RCPT TO:<b> / DATA  S: 250 / 250 / 250 / 354.
void TIdSMTPBase::SendPipelining(TIdMessage& message, const TIdEMailAddressList& recipients) {
    TIdIOHandler* io = IOHandler();
    if (io == nullptr) throw EIdNotConnected("Not connected.");
    std::vector<std::string> batch{"RSET", "MAIL FROM:<" + message.From().Address() + ">"};
    for (std::size_t i = 0; i < recipients.Count(); ++i)
        batch.push_back("RCPT TO:<" + recipients[i].Address() + ">");
    batch.push_back("DATA");
    // All lines are checked before the first byte leaves, so a refused text
    // never leaves half a batch whose replies nobody reads.
    io->WriteBufferOpen();
    try {
        io->WriteLines(batch);
    } catch (...) {
        io->WriteBufferClose();
        throw;
    }
    io->WriteBufferClose();

    std::unique_ptr<TIdReply> held;
    auto hold = [&] {
        if (!held) held = LastReply().Clone();
    };
    // A 421 among the replies ends the batch at once: the server has closed.
    Answering(TIdSMTPCommand::Reset);
    ReadReply();
    RaiseIfClosing();
    Answering(TIdSMTPCommand::MailFrom);
    if (ReadReplyWithin(replyTimeouts_.Envelope, {}) != 250) hold();
    RaiseIfClosing();
    Answering(TIdSMTPCommand::RcptTo);
    for (std::size_t i = 0; i < recipients.Count(); ++i) {
        const int code = ReadReplyWithin(replyTimeouts_.Envelope, {});
        if (code != 250 && code != 251) hold();
        RaiseIfClosing();
    }
    Answering(TIdSMTPCommand::Data);
    if (ReadReplyWithin(replyTimeouts_.Data, {}) != 354) {
        RaiseIfClosing();
        hold();
        held->RaiseReplyError();
    }
    if (held) {
        Answering(TIdSMTPCommand::DataEnd);
        SendCommandWithin(replyTimeouts_.DataEnd, ".", {});
        held->RaiseReplyError();
    }
    WriteMessageAndEnd(message);
}
