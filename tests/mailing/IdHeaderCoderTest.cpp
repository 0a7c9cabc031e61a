#include "mailing/IdHeaderCoder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "MailTestSupport.h"

namespace {

const TIdHeaderSettings kLatin1{TTransfer::bit8, 'Q', "ISO-8859-1"};
const TIdHeaderSettings kCyrillic{TTransfer::bit8, 'B', "windows-1251"};
const TIdHeaderSettings kJapanese{TTransfer::iso2022jp, 'B', "ISO-2022-JP"};

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct EncodeCase {
    const char* name;
    TIdHeaderSettings settings;
    std::string input;
    std::string specials;
    std::string expected;
};

class EncodeWordsTest : public testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeWordsTest, Encodes) {
    const auto& c = GetParam();
    EXPECT_EQ(EncodeWords(c.input, c.specials, c.settings), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeWordsTest,
    testing::Values(
        EncodeCase{"OneWord", kLatin1, "Offerta speciale città", "",
                   "Offerta speciale =?ISO-8859-1?Q?citt=E0?="},
        EncodeCase{"StretchOfThree", kLatin1, "Novità: città è bella", "",
                   "=?ISO-8859-1?Q?Novit=E0:_citt=E0_=E8?= bella"},
        EncodeCase{"EqualsAloneStaysPlain", kLatin1, "2+2=4 sempre", "", "2+2=4 sempre"},
        EncodeCase{"TextHoldingAnEncodedWord", kLatin1, "Vedi =?ISO-8859-1?Q?x?= ora", "",
                   "Vedi =?ISO-8859-1?Q?=3D=3FISO-8859-1=3FQ=3Fx=3F=3D?= ora"},
        EncodeCase{"TwentyTwoAccentsSplitAt75", kLatin1, Repeat("à", 22), "",
                   "=?ISO-8859-1?Q?" + Repeat("=E0", 19) + "?=\r\n =?ISO-8859-1?Q?" +
                       Repeat("=E0", 3) + "?="},
        EncodeCase{"BlanksAroundStayOutside", kLatin1, "  città  ", "",
                   "  =?ISO-8859-1?Q?citt=E0?=  "},
        EncodeCase{"LongAsciiUnchanged", kLatin1, Repeat("parola ", 30), "", Repeat("parola ", 30)},
        EncodeCase{"SpecialMakesAsciiWordEncoded", kLatin1, "Rossi S.p.A. è", "().",
                   "Rossi =?ISO-8859-1?Q?S=2Ep=2EA=2E_=E8?="},
        EncodeCase{"Base64", kCyrillic, "cittа", "", "=?windows-1251?B?Y2l0dOA=?="},
        EncodeCase{"Koi8", TIdHeaderSettings{TTransfer::bit8, 'B', "KOI8-R"}, "Привет", "",
                   "=?KOI8-R?B?8NLJ18XU?="},
        EncodeCase{"LetterEightLeavesBytes", TIdHeaderSettings{TTransfer::bit8, '8', "ISO-8859-1"},
                   "città", "", "citt\xE0"},
        EncodeCase{"NotInCharsetBecomesUtf8", kLatin1, "Prezzo 10 €", "",
                   "Prezzo 10 =?UTF-8?Q?=E2=82=AC?="},
        EncodeCase{"LatinLetterNotInCyrillicCharset", kCyrillic, "città", "",
                   "=?UTF-8?B?Y2l0dMOg?="},
        EncodeCase{"HalfWidthKatakanaWidened", kJapanese, "ｶﾞ", "",
                   "=?ISO-2022-JP?B?GyRCJSwbKEI=?="},
        EncodeCase{"JapaneseAsciiUnchanged", kJapanese, "Hello there", "", "Hello there"}),
    [](const testing::TestParamInfo<EncodeCase>& param) { return std::string(param.param.name); });

TEST(EncodeWordsTest, EncodedWordsNeverExceed75AndDecodeBack) {
    const TIdHeaderSettings koi8{TTransfer::bit8, 'B', "KOI8-R"};
    const TIdHeaderSettings latin1B{TTransfer::bit8, 'B', "ISO-8859-1"};
    const std::pair<TIdHeaderSettings, std::string> cases[] = {
        {kLatin1, Repeat("èé ", 40)},      {kLatin1, "Città" + Repeat(" x", 50) + " ù"},
        {kLatin1, Repeat("à_?=", 30)},     {latin1B, Repeat("èé ", 40)},
        {koi8, Repeat("Привет мир ", 12)},
    };
    for (const auto& [s, text] : cases) {
        std::string encoded = EncodeWords(text, "", s);
        for (std::size_t pos = 0; (pos = encoded.find("=?", pos)) != std::string::npos;) {
            std::size_t letter = encoded.find('?', encoded.find('?', pos + 2) + 1);
            std::size_t end = encoded.find("?=", letter + 1);
            EXPECT_LE(end + 2 - pos, 75u) << encoded;
            pos = end + 2;
        }
        EXPECT_EQ(DecodeWords(encoded), text) << s.Charset << ": " << encoded;
    }
}

TEST(DecodeWordsTest, Table) {
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"=?ISO-8859-1?Q?citt=E0?=", "città"},
        {"=?iso-8859-1?q?a_b?= =?ISO-8859-1?Q?c?=", "a bc"},  // blank between words goes
        {"=?ISO-8859-1?Q?x?= y", "x y"},
        {"=?windows-1251?B?Y2l0dOA=?=", "cittа"},
        {"=?KOI8-R?B?8NLJ18XU?=", "Привет"},
        {"=?UTF-8?Q?x?=", "=?UTF-8?Q?x?="},                // not a charset recognised here
        {"=?ISO-8859-1?Q?a b?=", "=?ISO-8859-1?Q?a b?="},  // blank inside
        {"=?ISO-8859-1?Q?open", "=?ISO-8859-1?Q?open"},
        {std::string("a\0b", 3), "ab"},
        {"2+2=4", "2+2=4"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeWords(c.input), c.expected) << c.input;
}

TEST(DefaultCharsetForLocaleTest, Table) {
    struct Case {
        std::optional<std::string> lcAll, lcCtype, lang;
        std::string expected;
    };
    const Case cases[] = {
        {"zh_CN.UTF-8", {}, {}, "GB2312"},
        {"zh_TW.UTF-8", {}, {}, "Big5"},
        {"zh_HK", {}, {}, "Big5"},
        {"ja_JP.UTF-8", {}, {}, "ISO-2022-JP"},
        {"ko_KR.EUC-KR", {}, {}, "csEUCKR"},
        {"ru_RU.KOI8-R", {}, {}, "KOI8-R"},
        {"uk_UA.UTF-8", {}, {}, "windows-1251"},
        {"it_IT.UTF-8", {}, {}, "ISO-8859-1"},
        {"de_DE@euro", {}, {}, "ISO-8859-1"},
        {"C", {}, {}, "ISO-8859-1"},
        {"", "ru_RU.UTF-8", "ja_JP.UTF-8", "KOI8-R"},  // an empty variable does not count
        {{}, {}, "ko_KR.UTF-8", "csEUCKR"},
        {{}, {}, {}, "ISO-8859-1"},
    };
    for (const auto& c : cases) {
        ScopedEnv env;
        env.Set("LC_ALL", c.lcAll).Set("LC_CTYPE", c.lcCtype).Set("LANG", c.lang);
        EXPECT_EQ(DefaultCharsetForLocale(), c.expected) << c.lcAll.value_or("-");
    }
}

TEST(ChooseHeaderCharsetTest, FollowsLocaleAndHandler) {
    struct Case {
        const char* locale;
        TTransfer transfer;
        char letter;
        const char* charset;
    };
    const Case cases[] = {{"it_IT", TTransfer::bit8, 'Q', "ISO-8859-1"},
                          {"ja_JP", TTransfer::iso2022jp, 'B', "ISO-2022-JP"},
                          {"ru_RU", TTransfer::bit8, 'B', "KOI8-R"}};
    for (const auto& c : cases) {
        ScopedEnv env;
        env.Set("LC_ALL", c.locale);
        TIdHeaderSettings s = ChooseHeaderCharset();
        EXPECT_EQ(s.Transfer, c.transfer) << c.locale;
        EXPECT_EQ(s.Letter, c.letter) << c.locale;
        EXPECT_EQ(s.Charset, c.charset) << c.locale;
    }
    ScopedEnv env;
    env.Set("LC_ALL", "it_IT");
    TIdHeaderSettings s = ChooseHeaderCharset([](TTransfer& t, char& letter, std::string& cs) {
        EXPECT_EQ(cs, "ISO-8859-1");
        t = TTransfer::bit7;
        letter = 'B';
        cs = "UTF-8";
    });
    EXPECT_EQ(s.Transfer, TTransfer::bit7);
    EXPECT_EQ(s.Letter, 'B');
    EXPECT_EQ(s.Charset, "UTF-8");
}

TEST(ToIso2022JpTest, WidensHalfWidthKatakanaAndClosesDoubleByteRuns) {
    struct Case {
        std::string input, expected;
    };
    const Case widened[] = {{"ｶﾞｷﾞ", "ガギ"},
                            {"ﾊﾟﾋﾞ", "パビ"},
                            {"ｳﾞ", "ヴ"},
                            {"ﾜﾞ", "ワ゛"},  // JIS X 0208 has no combined form
                            {"ｰ｡｢｣､･ｦﾝ", "ー。「」、・ヲン"},
                            {"abc 漢字", "abc 漢字"}};
    for (const auto& c : widened) EXPECT_EQ(brivano::WidenKatakana(c.input), c.expected) << c.input;
    EXPECT_EQ(brivano::ToIso2022Jp("a ガ b"), "a \x1B$B%,\x1B(B b");
    EXPECT_EQ(brivano::ToIso2022Jp("€"), std::nullopt);
}

TEST(ToIso2022JpTest, TextHoldingSwitchBytesComesBackWholeInUtf8Words) {
    // Under ISO-2022-JP these bytes would be read as switches, not as text.
    const std::string testi[] = {"a\x1B$Bb",    "\x1B(B",      "漢\x1B$B%,\x1B(B字",
                                 "x\x0Ey\x0Fz", "ガ\x1B(J ガ", std::string(40, '\x1B') + "漢字"};
    for (const std::string& testo : testi) {
        EXPECT_EQ(brivano::ToIso2022Jp(testo), std::nullopt);
        for (char letter : {'B', 'Q'}) {
            const TIdHeaderSettings impostazioni{TTransfer::iso2022jp, letter, "ISO-2022-JP"};
            const std::string parole = EncodeWords(testo, "", impostazioni);
            EXPECT_EQ(parole.find("ISO-2022-JP"), std::string::npos) << parole;
            EXPECT_NE(parole.find("=?UTF-8?"), std::string::npos) << parole;
            // Each word decodes on its own; together they give the text back.
            std::string decodificato;
            std::istringstream parola(parole);
            for (std::string w; parola >> w;) decodificato += brivano::DecodeEncodedWord(w).value();
            EXPECT_EQ(decodificato, testo) << parole;
        }
    }
}

}  // namespace

namespace {

// The raw bytes of an ISO-2022-JP encoded word (letter B or Q).
std::string JisBytes(const std::string& word) {
    const std::string text = word.substr(16, word.size() - 18);
    std::string bytes;
    if (word[14] == 'Q') {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '=') {
                bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                bytes += text[i] == '_' ? ' ' : text[i];
            }
        }
        return bytes;
    }
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=') break;
        bits = (bits << 6) | static_cast<unsigned>(alphabet.find(c));
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

// Every encoded word of an encoded text: at most 75 characters, and decodable
// on its own to whole characters of its charset; in ISO-2022-JP it also ends
// back in ASCII. Returns the text with each word decoded, folds and the blanks
// between adjacent words removed.
std::string CheckWordsAlone(const std::string& encoded) {
    std::string joined;
    bool afterWord = false;
    std::string pendingBlank;
    for (std::size_t pos = 0; pos < encoded.size();) {
        if (encoded.compare(pos, 2, "=?") == 0) {
            std::size_t end = encoded.find_first_of(" \t\r\n", pos);
            if (end == std::string::npos) end = encoded.size();
            const std::string word = encoded.substr(pos, end - pos);
            EXPECT_LE(word.size(), 75u) << word;
            const auto decoded = brivano::DecodeEncodedWord(word);
            EXPECT_TRUE(decoded.has_value()) << "not whole characters: " << word << "\n" << encoded;
            if (word.rfind("=?ISO-2022-JP?", 0) == 0) {
                const std::string bytes = JisBytes(word);
                const std::size_t lastEscape = bytes.rfind('\x1B');
                if (lastEscape != std::string::npos) {
                    EXPECT_EQ(bytes.substr(lastEscape, 3), "\x1B(B") << word;
                }
            }
            if (!afterWord) joined += pendingBlank;
            pendingBlank.clear();
            joined += decoded.value_or("");
            afterWord = true;
            pos = end;
        } else if (encoded.compare(pos, 2, "\r\n") == 0) {
            pos += 2;
        } else if (encoded[pos] == ' ' || encoded[pos] == '\t') {
            pendingBlank += encoded[pos++];
        } else {
            joined += pendingBlank;
            pendingBlank.clear();
            joined += encoded[pos++];
            afterWord = false;
        }
    }
    return joined + pendingBlank;
}

struct SplitCase {
    TIdHeaderSettings settings;
    std::string unit;  // repeated into a long word
};

TEST(EncodeWordsTest, BreaksFallBetweenCharactersAtEveryOffset) {
    const TIdHeaderSettings utf8Q{TTransfer::bit8, 'Q', "UTF-8"};
    const SplitCase cases[] = {
        {kLatin1, "“€”"},    // not Latin-1: UTF-8 with Q
        {kCyrillic, "à"},    // not windows-1251: UTF-8 with B
        {kCyrillic, "à€𝄞"},  // two, three and four bytes
        {utf8Q, "é𝄞”"},
        {TIdHeaderSettings{TTransfer::bit8, 'B', "GB2312"}, "中文"},
        {TIdHeaderSettings{TTransfer::bit8, 'B', "Big5"}, "繁體"},
        {TIdHeaderSettings{TTransfer::bit8, 'B', "csEUCKR"}, "한국"},
        {TIdHeaderSettings{TTransfer::bit8, 'Q', "GB2312"}, "中文"},
        {kJapanese, "漢字ガ"},
        {TIdHeaderSettings{TTransfer::iso2022jp, 'Q', "ISO-2022-JP"}, "かな"},
    };
    for (const auto& c : cases) {
        // The ASCII prefix moves every break across every byte of the characters.
        for (std::size_t shift = 0; shift < 12; ++shift) {
            for (const std::string& text :
                 {std::string(shift, 'x') + Repeat(c.unit, 30),
                  "Oggetto " + std::string(shift, 'x') + Repeat(c.unit, 9) + "a " +
                      Repeat(c.unit, 20) + " fine"}) {
                const std::string encoded = EncodeWords(text, "", c.settings);
                EXPECT_NE(encoded.find("?=\r\n =?"), std::string::npos) << encoded;
                EXPECT_EQ(CheckWordsAlone(encoded), text) << c.settings.Charset << ": " << encoded;
            }
        }
    }
}

TEST(DecodeHeaderForReadingTest, DecodesAnyCharsetAndUnfolds) {
    EXPECT_EQ(
        brivano::DecodeHeaderForReading("Prezzo =?UTF-8?Q?=E2=82=AC?=\r\n =?UTF-8?B?wqA=?= x"),
        "Prezzo €\u00a0 x");
    EXPECT_EQ(brivano::DecodeHeaderForReading("=?ISO-8859-1?Q?citt=E0?= e =?KOI8-R?B?8NLJ18XU?="),
              "città e Привет");
    // Half a character is left as it stands.
    EXPECT_EQ(brivano::DecodeHeaderForReading("=?UTF-8?Q?=E2=82?="), "=?UTF-8?Q?=E2=82?=");
    EXPECT_EQ(brivano::DecodeEncodedWord("=?UTF-8?B?4oI=?="), std::nullopt);
    EXPECT_EQ(brivano::DecodeEncodedWord("=?UTF-8?B?4oKs?= "), std::nullopt);
    EXPECT_EQ(brivano::DecodeEncodedWord("=?UTF-8?B?4oKs?="), "€");
}

}  // namespace
