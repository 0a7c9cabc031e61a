#include "mailing/IdHeaderList.h"

#include <algorithm>

#include "mailing/MailText.h"

using namespace brivano;

namespace {

// Folding (RFC 5322 §2.1.1): lines SHOULD stay within 78 characters, the
// CRLF excluded; a fold is CRLF followed by the white space it breaks at.
constexpr std::size_t kFoldWidth = 78;
constexpr std::string_view kBreakSequence = "\r\n ";

bool IsBreakChar(char c) {
    return c == ' ' || c == '\t' || c == ',';
}
bool IsContinuation(const std::string& line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

std::string_view NameOf(std::string_view line) {
    std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

bool ValidName(std::string_view name) {
    if (name.empty()) return false;
    for (char c : name) {
        auto code = static_cast<unsigned char>(c);
        if (code <= 32 || code >= 127 || c == ':') return false;
    }
    return true;
}

// CR and LF are allowed only together as the start of a fold (CR LF, then a
// space or a TAB); NUL never.
bool ValidValue(std::string_view value) {
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\0' || c == '\n') return false;
        if (c == '\r') {
            if (i + 2 >= value.size() || value[i + 1] != '\n' ||
                (value[i + 2] != ' ' && value[i + 2] != '\t'))
                return false;
            i += 2;
        }
    }
    return true;
}

}  // namespace

EIdInvalidHeaderText::EIdInvalidHeaderText(std::string_view name)
    : EIdException("Header \"" + std::string(name) +
                   "\" must not contain CR, LF or NUL characters.") {}

std::vector<std::string> FoldHeaderLine(std::string_view s) {
    // Positions count from 1, as the folding rule is usually told.
    const std::size_t len = s.size();
    auto at = [s](std::size_t p) { return s[p - 1]; };
    std::size_t col = 1;
    std::size_t pos = 1;
    std::size_t lineStart = 1;
    std::size_t breakPos = 0;
    bool inQuote = false;
    bool existingBreak = false;
    std::string out;
    out.reserve(len + 8);
    while (pos <= len) {
        char c = at(pos);
        // UTF-8 never places an ASCII byte inside a multi-byte character, so no
        // break can split one and no lead byte needs skipping.
        if (c == '\r') {
            if (!inQuote && s.substr(pos - 1, 3) == kBreakSequence) {
                existingBreak = true;
                pos += 2;
                breakPos = pos;
            }
        } else if (IsBreakChar(c)) {
            if (!inQuote) breakPos = pos;
        } else if (c == '"') {
            inQuote = !inQuote;
        }
        ++pos;
        ++col;
        if (!inQuote && (existingBreak || (col > kFoldWidth && breakPos > lineStart))) {
            col = pos - breakPos;
            out.append(s.substr(lineStart - 1, breakPos - lineStart + 1));
            if (c != '"') {
                while (pos <= len && (IsBreakChar(at(pos)) || at(pos) == '\r' || at(pos) == '\n'))
                    ++pos;
                if (!existingBreak && pos < len) out.append(kBreakSequence);
            }
            ++breakPos;
            lineStart = breakPos;
            existingBreak = false;
        }
    }
    if (lineStart <= len) out.append(s.substr(lineStart - 1));

    std::vector<std::string> pieces;
    std::string_view rest = out;
    while (!rest.empty()) {
        std::size_t cut = rest.find("\r\n");
        pieces.emplace_back(TrimRight(rest.substr(0, cut)));
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 2);
    }
    return pieces;
}

void TIdHeaderList::Add(std::string line) {
    if (HoldsLineBreakOrNul(line)) throw EIdInvalidHeaderText(NameOf(line));
    lines_.push_back(std::move(line));
}

std::ptrdiff_t TIdHeaderList::IndexOfName(std::string_view name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (EqualsNoCase(NameOf(lines_[i]), name)) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

void TIdHeaderList::EraseWithContinuation(std::size_t index, bool keepFirst) {
    std::size_t end = index + 1;
    while (end < lines_.size() && IsContinuation(lines_[end])) ++end;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(keepFirst ? index + 1 : index),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
}

void TIdHeaderList::SetHeaderValue(std::string_view name, std::string_view value) {
    if (!ValidName(name) || !ValidValue(value)) throw EIdInvalidHeaderText(name);
    std::ptrdiff_t found = IndexOfName(name);
    if (value.empty()) {
        if (found >= 0) EraseWithContinuation(static_cast<std::size_t>(found), false);
        return;
    }
    std::string line;
    line.reserve(name.size() + 2 + value.size());
    line.append(name).append(": ").append(value);
    std::vector<std::string> folded = FoldHeaderLine(line);
    // A continuation holding only blanks would read as the end of the headers.
    folded.erase(std::remove_if(folded.begin() + 1, folded.end(),
                                [](const std::string& piece) { return piece.empty(); }),
                 folded.end());
    std::size_t index = 0;
    if (found < 0) {
        index = lines_.size();
        lines_.emplace_back();
    } else {
        index = static_cast<std::size_t>(found);
        EraseWithContinuation(index, true);
    }
    auto where = lines_.begin() + static_cast<std::ptrdiff_t>(index);
    *where = std::move(folded.front());
    lines_.insert(where + 1, std::make_move_iterator(folded.begin() + 1),
                  std::make_move_iterator(folded.end()));
}

std::string TIdHeaderList::Values(std::string_view name) const {
    std::ptrdiff_t found = IndexOfName(name);
    if (found < 0) return {};
    auto index = static_cast<std::size_t>(found);
    const std::string& first = lines_[index];
    std::string value(TrimLeft(std::string_view(first).substr(first.find(':') + 1)));
    for (++index; index < lines_.size() && IsContinuation(lines_[index]); ++index)
        value += lines_[index];
    return value;
}

std::string TIdHeaderList::Text() const {
    std::string text;
    for (const auto& line : lines_) text.append(line).append("\r\n");
    return text;
}
