#pragma once
// SMTP replies (RFC 5321) with the enhanced status code of RFC 3463
// (class.subject.detail) that a line may carry after its code.

#include "smtp/IdReplyRFC.h"

class TIdSMTPEnhancedCode {
  public:
    int StatusClass = 2;
    int Subject = 0;
    int Details = 0;
    bool Available = false;

    // "" when not available, else e.g. "5.7.1" (at most 1, 3 and 3 digits).
    std::string ReplyAsStr() const;
    // Sets it from a word for which IsValidReplyCode holds; a blank word makes
    // it not available. Raises EIdException for any other word.
    void SetReplyAsStr(const std::string& word);
    // Blank, or: the part before the first '.' begins with 2, 4 or 5, and the
    // parts between the first and second '.' and after the second are digits.
    static bool IsValidReplyCode(const std::string& word);

    bool operator==(const TIdSMTPEnhancedCode&) const = default;
};

// The command a reply answers: the same code means different things after
// different commands (a 454 to STARTTLS is no login refusal).
enum class TIdSMTPCommand {
    Unknown,
    Greeting,  // the server's first reply, no command
    Hello,     // EHLO or HELO
    StartTLS,
    Auth,  // AUTH and the answers to its challenges
    Reset,
    MailFrom,
    RcptTo,
    Data,
    DataEnd,  // the line "." that ends the message text
    Quit,
};

class EIdSMTPReplyError : public EIdReplyRFCError {
  public:
    EIdSMTPReplyError(const std::string& message, int errorCode,
                      const TIdSMTPEnhancedCode& enhancedCode,
                      TIdSMTPCommand command = TIdSMTPCommand::Unknown)
        : EIdReplyRFCError(message, errorCode), enhancedCode_(enhancedCode), command_(command) {}
    const TIdSMTPEnhancedCode& EnhancedCode() const { return enhancedCode_; }
    TIdSMTPCommand Command() const { return command_; }

  private:
    TIdSMTPEnhancedCode enhancedCode_;
    TIdSMTPCommand command_;
};

class TIdReplySMTP : public TIdReplyRFC {
  public:
    TIdReplySMTP() = default;

    // Left as it is by lines that carry no enhanced status code word.
    const TIdSMTPEnhancedCode& EnhancedCode() const { return enhancedCode_; }
    TIdSMTPEnhancedCode& EnhancedCode() { return enhancedCode_; }
    // Set before the reply is read; kept by Clear, so a reply error names it.
    TIdSMTPCommand Command() const { return command_; }
    void SetCommand(TIdSMTPCommand command) { command_ = command; }

    [[noreturn]] void RaiseReplyError() const override;
    std::unique_ptr<TIdReply> Clone() const override;

  protected:
    TIdReplySMTP(const TIdReplySMTP&) = default;
    TIdReplySMTP& operator=(const TIdReplySMTP&) = default;
    std::string LineText(const std::string& rest) override;

  private:
    TIdSMTPEnhancedCode enhancedCode_;
    TIdSMTPCommand command_ = TIdSMTPCommand::Unknown;
};
