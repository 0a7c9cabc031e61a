#pragma once
// A server reply: a code and its text lines. Parsing takes the code from the
// first line and drops the code part of every line; the derived classes add
// the end-of-reply and code rules of their protocol.

#include <memory>
#include <string>
#include <vector>

#include "exception/IdException.h"

class EIdReplyError : public EIdException {
  public:
    EIdReplyError(const std::string& message, int errorCode)
        : EIdException(message), errorCode_(errorCode) {}
    int ErrorCode() const { return errorCode_; }

  private:
    int errorCode_;
};

class TIdReply {
  public:
    TIdReply() = default;
    virtual ~TIdReply() = default;

    const std::string& Code() const { return code_; }
    void SetCode(const std::string& code) { code_ = code; }
    // The integer value of Code; 0 when it is empty or not a number.
    int NumericCode() const;
    const std::vector<std::string>& Text() const { return text_; }
    std::vector<std::string>& Text() { return text_; }
    // The text lines, each followed by CR LF (the message of a reply error).
    std::string TextWithLineEnds() const;

    // Empties Code and Text.
    virtual void Clear();
    // Whether a line read for this reply is its last one.
    virtual bool IsEndLine(const std::string& line) const;
    virtual bool IsValidCode(const std::string& code) const;
    // Parses the lines of one reply; raises EIdException "Reply Code is not
    // valid: %s" (Code and Text then empty) for an invalid code.
    virtual void SetFormattedReply(const std::vector<std::string>& lines);
    // Returns the numeric code when `accepted` is empty or holds it; raises the
    // reply error otherwise.
    int Check(const std::vector<int>& accepted) const;
    [[noreturn]] virtual void RaiseReplyError() const;
    virtual std::unique_ptr<TIdReply> Clone() const;

  protected:
    TIdReply(const TIdReply&) = default;
    TIdReply& operator=(const TIdReply&) = default;
    // The text of one line once its code part (four characters) is dropped.
    virtual std::string LineText(const std::string& rest);

  private:
    std::string code_;
    std::vector<std::string> text_;
};
