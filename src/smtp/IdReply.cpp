#include "smtp/IdReply.h"

#include <algorithm>

#include "smtp/IdGlobal.h"
#include "text/Testo.h"

int TIdReply::NumericCode() const {
    return brivano::DecimalValue(code_);
}

std::string TIdReply::TextWithLineEnds() const {
    std::string message;
    for (const auto& line : text_) message.append(line).append("\r\n");
    return message;
}

void TIdReply::Clear() {
    code_.clear();
    text_.clear();
}

bool TIdReply::IsEndLine(const std::string&) const {
    return true;
}

bool TIdReply::IsValidCode(const std::string&) const {
    return true;
}

void TIdReply::SetFormattedReply(const std::vector<std::string>& lines) {
    Clear();
    if (lines.empty()) return;
    std::string code(brivano::Trim(std::string_view(lines.front()).substr(0, 4)));
    if (code.size() == 4 && code[3] == '-') code.resize(3);
    if (!IsValidCode(code)) throw EIdException("Reply Code is not valid: " + code);
    code_ = code;
    for (const auto& line : lines) text_.push_back(LineText(line.size() > 4 ? line.substr(4) : ""));
}

std::string TIdReply::LineText(const std::string& rest) {
    return rest;
}

int TIdReply::Check(const std::vector<int>& accepted) const {
    const int code = NumericCode();
    if (!accepted.empty() && std::find(accepted.begin(), accepted.end(), code) == accepted.end())
        RaiseReplyError();
    return code;
}

void TIdReply::RaiseReplyError() const {
    throw EIdReplyError(TextWithLineEnds(), NumericCode());
}

std::unique_ptr<TIdReply> TIdReply::Clone() const {
    return std::unique_ptr<TIdReply>(new TIdReply(*this));
}
