#include "text/Testo.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace {

using brivano::EBase64NonValido;

struct Base64Case {
    std::string_view bytes;
    std::string_view text;
};

// RFC 4648 §10, then bytes that reach every end of the alphabet and NULs.
constexpr Base64Case kBase64Cases[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
    {"\xfb\xff\xbf", "+/+/"},
    {std::string_view("\0\0\0\0", 4), "AAAAAA=="},
    {std::string_view("\0utente\0segreto", 15), "AHV0ZW50ZQBzZWdyZXRv"},
};

TEST(Base64Test, EncodesAndDecodesTheStandardVectors) {
    for (const auto& c : kBase64Cases) {
        EXPECT_EQ(brivano::Base64Encode(c.bytes), c.text) << c.text;
        EXPECT_EQ(brivano::Base64Decode(c.text), std::string(c.bytes)) << c.text;
    }
}

TEST(Base64Test, EveryByteValueComesBack) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    for (std::size_t n = 0; n <= all.size(); n += 37)
        EXPECT_EQ(brivano::Base64Decode(brivano::Base64Encode(all.substr(0, n))), all.substr(0, n));
}

TEST(Base64Test, InvalidTextIsRefusedSayingWhy) {
    struct Invalid {
        std::string_view text;
        std::string_view why;
    };
    constexpr Invalid kInvalid[] = {
        {"Zg=", "multiplo di 4"},
        {"Zm9", "multiplo di 4"},
        {"Zm9v\r\n", "multiplo di 4"},
        {"Zm 9", "carattere non ammesso in posizione 3"},
        {"Zm9-", "carattere non ammesso in posizione 4"},
        {"Zm9\xc3", "carattere non ammesso in posizione 4"},
        {"Zg==Zg==", "\"=\" prima della fine, in posizione 3"},
        {"Z===", "\"=\" prima della fine, in posizione 2"},
        {"====", "\"=\" prima della fine, in posizione 1"},
        {"Zh==", "bit non nulli"},
        {"Zm9=", "bit non nulli"},
    };
    for (const auto& c : kInvalid) {
        try {
            brivano::Base64Decode(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const EBase64NonValido& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("Testo base64 non valido: ", 0), 0u) << message;
            EXPECT_NE(message.find(c.why), std::string::npos) << c.text << " -> " << message;
        }
    }
}

TEST(HexTest, DigitsInBothCasesAndBack) {
    std::string upper;
    std::string lower;
    for (unsigned char b :
         std::initializer_list<unsigned char>{0x00, 0x09, 0x0A, 0x7F, 0xA5, 0xFF}) {
        brivano::AppendHexByte(upper, b);
        brivano::AppendHexByteLower(lower, b);
    }
    EXPECT_EQ(upper, "00090A7FA5FF");
    EXPECT_EQ(lower, "00090a7fa5ff");
    for (unsigned v = 0; v < 16; ++v) {
        EXPECT_EQ(brivano::HexValue(brivano::HexDigit(v)), static_cast<int>(v));
        EXPECT_EQ(brivano::HexValue(brivano::HexDigitLower(v)), static_cast<int>(v));
    }
    for (char c : {'g', 'G', '/', ':', '@', '`', ' ', '\xc3'}) EXPECT_EQ(brivano::HexValue(c), -1);
}

TEST(AsciiCaseTest, OnlyAsciiLettersChangeCase) {
    // Bytes of "à" (C3 A0) and the characters beside the letter ranges stay.
    EXPECT_EQ(brivano::AsciiLowerCase("AUTH Login @[`{ Citt\xc3\xa0"),
              "auth login @[`{ citt\xc3\xa0");
    EXPECT_EQ(brivano::AsciiUpperCase("auth Login @[`{ citt\xc3\xa0"),
              "AUTH LOGIN @[`{ CITT\xc3\xa0");
    struct Compare {
        std::string_view a, b;
        bool equal;
    };
    constexpr Compare kCompare[] = {
        {"STARTTLS", "starttls", true},
        {"Utf-8", "UTF-8", true},
        {"", "", true},
        {"Q", "B", false},
        {"abc", "abcd", false},
        {"@", "`", false},
        {"[", "{", false},
        {"\xc3\xa0", "\xc3\x80", false},
    };
    for (const auto& c : kCompare) EXPECT_EQ(brivano::EqualsNoCase(c.a, c.b), c.equal) << c.a;
    EXPECT_TRUE(brivano::StartsWithNoCase("=?iso-8859-1?Q?", "=?ISO"));
    EXPECT_FALSE(brivano::StartsWithNoCase("=?IS", "=?ISO"));
}

TEST(TrimTest, BlanksOrOnlySpacesAndTabsFromBothEnds) {
    struct TrimCase {
        std::string_view text, trimmed, left, right, spaceTrimmed;
    };
    constexpr TrimCase kCases[] = {
        {"", "", "", "", ""},
        {" \t\r\n", "", "", "", "\r\n"},
        {"\x01 a b \x1f", "a b", "a b \x1f", "\x01 a b", "\x01 a b \x1f"},
        {"\t a\tb \t", "a\tb", "a\tb \t", "\t a\tb", "a\tb"},
        {"\xc3\xa0 ", "\xc3\xa0", "\xc3\xa0 ", "\xc3\xa0", "\xc3\xa0"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(brivano::Trim(c.text), c.trimmed);
        EXPECT_EQ(brivano::TrimLeft(c.text), c.left);
        EXPECT_EQ(brivano::TrimRight(c.text), c.right);
        EXPECT_EQ(brivano::SpaceTrim(c.text), c.spaceTrimmed);
    }
}

}  // namespace
