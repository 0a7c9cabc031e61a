#include "mailing/IdHeaderList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mailing/IdHeaderCoder.h"

using testing::ElementsAre;

namespace {

using Lines = std::vector<std::string>;

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(FoldHeaderLineTest, Table) {
    struct Case {
        const char* what;
        std::string line;
        Lines expected;
    };
    const std::string word40 = Repeat("x", 40);
    const Case cases[] = {
        {"short line", "Subject: ciao", {"Subject: ciao"}},
        {"empty", "", {}},
        {"final CR LF gives no empty piece", "X: a\r\n", {"X: a"}},
        {"79 columns stay on one line", "X: " + Repeat("a ", 38), {"X: " + Repeat("a ", 37) + "a"}},
        {"break after the last space before column 78",
         "Subject: Prezzi =?ISO-8859-1?Q?pi=F9?= bassi per tutti i clienti della nostra azienda, "
         "validi fino a dicembre prossimo",
         {"Subject: Prezzi =?ISO-8859-1?Q?pi=F9?= bassi per tutti i clienti della nostra",
          " azienda, validi fino a dicembre prossimo"}},
        {"the break character ends the first piece",
         "To: " + word40 + ", " + word40,
         {"To: " + word40 + ",", " " + word40}},
        {"skipped blanks begin the next piece",
         "To: " + Repeat("x", 73) + ", " + Repeat("y", 10),
         {"To: " + Repeat("x", 73) + ",", "  " + Repeat("y", 10)}},
        {"name alone before a long word", "X: " + Repeat("y", 100), {"X:", " " + Repeat("y", 100)}},
        {"no break character, no fold", "X:" + Repeat("y", 100), {"X:" + Repeat("y", 100)}},
        {"existing break kept", "X: a\r\n b", {"X: a", " b"}},
        {"no break inside double quotes",
         "To: \"" + word40 + " " + word40 + "\"",
         {"To: \"" + word40 + " " + word40 + "\""}},
        {"quoted part then a break after it",
         "To: \"" + word40 + " " + word40 + "\" <a@b.it>, c@d.it",
         {"To: \"" + word40 + " " + word40 + "\"", " <a@b.it>, c@d.it"}},
    };
    for (const auto& c : cases) EXPECT_EQ(FoldHeaderLine(c.line), c.expected) << c.what;
}

TEST(FoldHeaderLineTest, SubjectOfLongEncodedWordStartsOnItsOwnLine) {
    TIdHeaderSettings latin1{TTransfer::bit8, 'Q', "ISO-8859-1"};
    Lines lines = FoldHeaderLine("Subject: " + EncodeWords(Repeat("à", 22), "", latin1));
    EXPECT_THAT(lines, ElementsAre("Subject:", " =?ISO-8859-1?Q?" + Repeat("=E0", 19) + "?=",
                                   " =?ISO-8859-1?Q?=E0=E0=E0?="));
}

TEST(HeaderListTest, SetReplacesInPlaceIgnoringCaseAndDropsContinuations) {
    TIdHeaderList list;
    list.SetHeaderValue("From", "a@b.it");
    list.SetHeaderValue("Subject", "uno\r\n due");
    list.SetHeaderValue("To", "c@d.it");
    EXPECT_THAT(list.Lines(), ElementsAre("From: a@b.it", "Subject: uno", " due", "To: c@d.it"));
    EXPECT_EQ(list.Values("SUBJECT"), "uno due");

    list.SetHeaderValue("subject", "tre");
    EXPECT_THAT(list.Lines(), ElementsAre("From: a@b.it", "subject: tre", "To: c@d.it"));

    list.SetHeaderValue("Subject", "");
    list.SetHeaderValue("Cc", "");
    EXPECT_THAT(list.Lines(), ElementsAre("From: a@b.it", "To: c@d.it"));
    EXPECT_EQ(list.Values("Subject"), "");
    EXPECT_EQ(list.Text(), "From: a@b.it\r\nTo: c@d.it\r\n");
}

TEST(HeaderListTest, RefusesTextThatWouldBreakOutOfItsLine) {
    TIdHeaderList list;
    list.SetHeaderValue("Subject", "ok");
    const std::string bad[] = {"a\r\nBcc: x@y.it",     "a\nb",  "a\rb",
                               std::string("a\0b", 3), "a\r\n", "a\r\n\r\n b"};
    for (const auto& value : bad)
        EXPECT_THROW(list.SetHeaderValue("Subject", value), EIdInvalidHeaderText) << value;
    EXPECT_THROW(list.SetHeaderValue("Bad Name", "x"), EIdInvalidHeaderText);
    EXPECT_THROW(list.SetHeaderValue("Bad:Name", "x"), EIdInvalidHeaderText);
    EXPECT_THROW(list.Add("X: a\r\nBcc: b"), EIdInvalidHeaderText);
    EXPECT_THAT(list.Lines(), ElementsAre("Subject: ok"));
    try {
        list.SetHeaderValue("Subject", "a\nb");
    } catch (const EIdInvalidHeaderText& e) {
        EXPECT_STREQ(e.what(), "Header \"Subject\" must not contain CR, LF or NUL characters.");
    }
}

TEST(HeaderListTest, BlankContinuationIsDropped) {
    TIdHeaderList list;
    list.SetHeaderValue("X", "a\r\n \r\n b");
    EXPECT_THAT(list.Lines(), ElementsAre("X: a", " b"));
}

}  // namespace
