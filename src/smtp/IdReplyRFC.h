#pragma once
// A reply of the RFC kind: every line starts with a three-digit code, a line
// whose fourth character is not a space continues the reply.

#include "smtp/IdReply.h"

class EIdReplyRFCError : public EIdReplyError {
  public:
    using EIdReplyError::EIdReplyError;
};

class TIdReplyRFC : public TIdReply {
  public:
    TIdReplyRFC() = default;

    // A line shorter than four characters, or with a space as its fourth, ends it.
    bool IsEndLine(const std::string& line) const override;
    // Valid: an integer value in 100-999, or empty after trimming.
    bool IsValidCode(const std::string& code) const override;
    [[noreturn]] void RaiseReplyError() const override;
    std::unique_ptr<TIdReply> Clone() const override;

  protected:
    TIdReplyRFC(const TIdReplyRFC&) = default;
    TIdReplyRFC& operator=(const TIdReplyRFC&) = default;
};
