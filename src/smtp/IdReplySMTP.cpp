#include "smtp/IdReplySMTP.h"

#include "smtp/IdGlobal.h"
#include "text/Testo.h"

namespace {

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The three dot-separated parts of a word; false without two dots.
bool SplitParts(std::string_view word, std::string_view parts[3]) {
    std::size_t first = word.find('.');
    if (first == std::string_view::npos) return false;
    std::size_t second = word.find('.', first + 1);
    if (second == std::string_view::npos) return false;
    parts[0] = word.substr(0, first);
    parts[1] = word.substr(first + 1, second - first - 1);
    parts[2] = word.substr(second + 1);
    return true;
}

}  // namespace

std::string TIdSMTPEnhancedCode::ReplyAsStr() const {
    if (!Available) return std::string();
    return std::to_string(StatusClass).substr(0, 1) + "." + std::to_string(Subject).substr(0, 3) +
           "." + std::to_string(Details).substr(0, 3);
}

bool TIdSMTPEnhancedCode::IsValidReplyCode(const std::string& word) {
    if (brivano::Trim(word).empty()) return true;
    std::string_view parts[3];
    if (!SplitParts(word, parts)) return false;
    return !parts[0].empty() && (parts[0][0] == '2' || parts[0][0] == '4' || parts[0][0] == '5') &&
           AllDigits(parts[1]) && AllDigits(parts[2]);
}

void TIdSMTPEnhancedCode::SetReplyAsStr(const std::string& word) {
    if (!IsValidReplyCode(word)) throw EIdException("Invalid enhanced status code: " + word);
    std::string_view parts[3];
    if (brivano::Trim(word).empty() || !SplitParts(word, parts)) {
        Available = false;
        return;
    }
    StatusClass = brivano::DecimalValue(parts[0]);
    Subject = brivano::DecimalValue(parts[1]);
    Details = brivano::DecimalValue(parts[2]);
    Available = true;
}

std::string TIdReplySMTP::LineText(const std::string& rest) {
    const std::size_t space = rest.find(' ');
    const std::string word = rest.substr(0, space);
    if (!word.empty() && !TIdSMTPEnhancedCode::IsValidReplyCode(word)) return rest;
    enhancedCode_.SetReplyAsStr(word);
    return space == std::string::npos ? std::string() : rest.substr(space + 1);
}

void TIdReplySMTP::RaiseReplyError() const {
    throw EIdSMTPReplyError(TextWithLineEnds(), NumericCode(), enhancedCode_, command_);
}

std::unique_ptr<TIdReply> TIdReplySMTP::Clone() const {
    return std::unique_ptr<TIdReply>(new TIdReplySMTP(*this));
}
