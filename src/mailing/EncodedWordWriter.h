#pragma once
// Writes a stretch of header text as encoded words of at most 75 characters,
// continued on folded lines. In a multi-byte charset a word ends only between
// two characters, and in ISO-2022-JP every word starts and ends in ASCII, so
// each word decodes on its own (RFC 2047 §5). In a single-byte charset this is
// simply a break before the piece that would not fit.

#include <array>
#include <string>
#include <string_view>

namespace brivano {

class TEncodedWordWriter {
  public:
    // `quoteSet`: the bytes written as "=" and two hexadecimal digits with
    // letter Q. Keeps references to `out` and `quoteSet`.
    TEncodedWordWriter(std::string& out, std::string_view charset, char letter,
                       const std::array<bool, 256>& quoteSet);

    // Appends the bytes `s`, in the writer's charset, as encoded words.
    void Write(std::string_view s);

  private:
    enum class Shape { singleByte, utf8, doubleByte, iso2022jp };

    // Bytes of the character at `pos`; in ISO-2022-JP an escape sequence
    // together with the character after it. Follows the shift state.
    std::size_t CharacterLength(std::string_view s, std::size_t pos);
    // Length of the encoded form of the bytes.
    std::size_t QLength(std::string_view bytes) const;
    std::size_t EncodedLength(std::size_t qLength, std::size_t bytes) const;
    void Encode(std::string_view bytes);

    std::string& out_;
    const std::array<bool, 256>& quoteSet_;
    std::string begin_;
    bool q_ = false;
    Shape shape_ = Shape::singleByte;
    // ISO-2022-JP: whether a double-byte set is in force, and the escape
    // sequence that chose it.
    bool doubleByteSet_ = false;
    std::string designation_;
};

}  // namespace brivano
