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

class EIdSMTPReplyError : public EIdReplyRFCError {
  public:
    EIdSMTPReplyError(const std::string& message, int errorCode,
                      const TIdSMTPEnhancedCode& enhancedCode)
        : EIdReplyRFCError(message, errorCode), enhancedCode_(enhancedCode) {}
    const TIdSMTPEnhancedCode& EnhancedCode() const { return enhancedCode_; }

  private:
    TIdSMTPEnhancedCode enhancedCode_;
};

class TIdReplySMTP : public TIdReplyRFC {
  public:
    TIdReplySMTP() = default;

    // Left as it is by lines that carry no enhanced status code word.
    const TIdSMTPEnhancedCode& EnhancedCode() const { return enhancedCode_; }
    TIdSMTPEnhancedCode& EnhancedCode() { return enhancedCode_; }

    [[noreturn]] void RaiseReplyError() const override;
    std::unique_ptr<TIdReply> Clone() const override;

  protected:
    TIdReplySMTP(const TIdReplySMTP&) = default;
    TIdReplySMTP& operator=(const TIdReplySMTP&) = default;
    std::string LineText(const std::string& rest) override;

  private:
    TIdSMTPEnhancedCode enhancedCode_;
};
