#include "mailing/EncodedWordWriter.h"

#include <algorithm>

#include "mailing/MailText.h"

namespace brivano {
namespace {

constexpr char kEscape = '\x1B';
constexpr std::string_view kBackToAscii = "\x1B(B";
constexpr std::size_t kMaxWord = 75;

unsigned char Byte(std::string_view s, std::size_t pos) {
    return static_cast<unsigned char>(s[pos]);
}

}  // namespace

TEncodedWordWriter::TEncodedWordWriter(std::string& out, std::string_view charset, char letter,
                                       const std::array<bool, 256>& quoteSet)
    : out_(out), quoteSet_(quoteSet) {
    begin_ = "=?";
    begin_.append(charset).append(1, '?').append(1, letter).append(1, '?');
    q_ = AsciiUpper(letter) == 'Q';
    if (EqualsNoCase(charset, "UTF-8")) {
        shape_ = Shape::utf8;
    } else if (EqualsNoCase(charset, "ISO-2022-JP")) {
        shape_ = Shape::iso2022jp;
    } else {
        for (std::string_view name : {"GB2312", "Big5", "csEUCKR", "EUC-KR"})
            if (EqualsNoCase(charset, name)) shape_ = Shape::doubleByte;
    }
}

std::size_t TEncodedWordWriter::CharacterLength(std::string_view s, std::size_t pos) {
    const std::size_t left = s.size() - pos;
    const unsigned char lead = Byte(s, pos);
    switch (shape_) {
        case Shape::singleByte:
            return 1;
        case Shape::doubleByte:
            return lead >= 0x80 ? std::min<std::size_t>(2, left) : 1;
        case Shape::utf8: {
            std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            // A broken sequence ends at the first byte that does not continue it.
            std::size_t len = 1;
            while (len < n && len < left && (Byte(s, pos + len) & 0xC0) == 0x80) ++len;
            return len;
        }
        case Shape::iso2022jp:
            break;
    }
    std::size_t len = 0;
    if (lead == static_cast<unsigned char>(kEscape)) {
        len = 1;
        while (len < left && Byte(s, pos + len) >= 0x20 && Byte(s, pos + len) <= 0x2F) ++len;
        if (len < left) ++len;  // the final byte
        doubleByteSet_ = len > 1 && s[pos + 1] == '$';
        if (doubleByteSet_) designation_ = s.substr(pos, len);
        if (len == left || s[pos + len] == kEscape) return len;
    }
    return len + std::min<std::size_t>(doubleByteSet_ ? 2 : 1, left - len);
}

std::size_t TEncodedWordWriter::QLength(std::string_view bytes) const {
    std::size_t n = 0;
    for (char c : bytes) n += (c != ' ' && quoteSet_[static_cast<unsigned char>(c)]) ? 3 : 1;
    return n;
}

std::size_t TEncodedWordWriter::EncodedLength(std::size_t qLength, std::size_t bytes) const {
    return q_ ? qLength : (bytes + 2) / 3 * 4;
}

void TEncodedWordWriter::Encode(std::string_view bytes) {
    if (q_) {
        for (char c : bytes) {
            auto code = static_cast<unsigned char>(c);
            if (c == ' ') {
                out_ += '_';
            } else if (quoteSet_[code]) {
                out_ += '=';
                AppendHexByte(out_, code);
            } else {
                out_ += c;
            }
        }
        return;
    }
    out_ += Base64Encode(bytes);
}

void TEncodedWordWriter::Write(std::string_view s) {
    const std::size_t room = kMaxWord - std::min(kMaxWord, begin_.size() + 2);
    doubleByteSet_ = false;
    designation_.clear();
    std::string word;
    std::size_t wordQLength = 0;
    bool wordHasCharacter = false;
    out_ += begin_;
    for (std::size_t pos = 0; pos < s.size();) {
        const bool openBefore = doubleByteSet_;
        const std::size_t n = CharacterLength(s, pos);
        const std::string_view character = s.substr(pos, n);
        pos += n;
        const std::string_view closing = doubleByteSet_ ? kBackToAscii : std::string_view();
        const std::size_t characterQ = q_ ? QLength(character) : 0;
        const std::size_t closingQ = q_ ? QLength(closing) : 0;
        if (wordHasCharacter &&
            EncodedLength(wordQLength + characterQ + closingQ,
                          word.size() + character.size() + closing.size()) > room) {
            if (openBefore) word += kBackToAscii;
            Encode(word);
            out_ += "?=\r\n ";
            out_ += begin_;
            word.clear();
            // Only an escape changes the designation, and one that starts the
            // character needs no repeating.
            if (openBefore && character.front() != kEscape) word = designation_;
            wordQLength = q_ ? QLength(word) : 0;
        }
        word += character;
        wordQLength += characterQ;
        wordHasCharacter = true;
    }
    if (doubleByteSet_) word += kBackToAscii;
    Encode(word);
    out_ += "?=";
}

}  // namespace brivano
