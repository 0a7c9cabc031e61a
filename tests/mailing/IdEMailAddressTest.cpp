#include "mailing/IdEMailAddress.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <utility>
#include <vector>

namespace {

const TIdHeaderSettings kLatin1{TTransfer::bit8, 'Q', "ISO-8859-1"};

using Items = std::vector<std::pair<std::string, std::string>>;  // address, name

Items ItemsOf(const TIdEMailAddressList& list) {
    Items items;
    for (std::size_t i = 0; i < list.Count(); ++i)
        items.emplace_back(list[i].Address(), list[i].Name());
    return items;
}

struct ParseCase {
    const char* what;
    std::string text;
    Items items;
    std::string listText;
    std::string header;  // the "To" form
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.what;
}

class ListTextTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ListTextTest, ParsesAndRenders) {
    const auto& c = GetParam();
    TIdEMailAddressList list;
    list.SetListText(c.text);
    EXPECT_EQ(ItemsOf(list), c.items);
    EXPECT_EQ(list.ListText(), c.listText);
    EXPECT_EQ(RenderAddressList(list, kLatin1, false), c.header);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListTextTest,
    testing::Values(ParseCase{"plain address",
                              "mario.rossi@example.it",
                              {{"mario.rossi@example.it", ""}},
                              "mario.rossi@example.it",
                              "mario.rossi@example.it"},
                    ParseCase{"blanks around",
                              "  mario@rossi.it\r\n",
                              {{"mario@rossi.it", ""}},
                              "mario@rossi.it",
                              "mario@rossi.it"},
                    ParseCase{"semicolon",
                              "a@b.it;c@d.it",
                              {{"a@b.it", ""}, {"c@d.it", ""}},
                              "a@b.it, c@d.it",
                              "a@b.it, c@d.it"},
                    ParseCase{"comma and space",
                              "a@b.it, c@d.it",
                              {{"a@b.it", ""}, {"c@d.it", ""}},
                              "a@b.it, c@d.it",
                              "a@b.it, c@d.it"},
                    ParseCase{"group",
                              "Clienti: a@b.it, c@d.it;",
                              {{"a@b.it", ""}, {"c@d.it", ""}},
                              "a@b.it, c@d.it",
                              "a@b.it, c@d.it"},
                    ParseCase{"display name",
                              "  Mario Rossi  <mario@rossi.it>",
                              {{"mario@rossi.it", "Mario Rossi"}},
                              "Mario Rossi <mario@rossi.it>",
                              "\"Mario Rossi\" <mario@rossi.it>"},
                    ParseCase{"quoted name with comma",
                              "\"Rossi, Mario\" <mario@rossi.it>, c@d.it",
                              {{"mario@rossi.it", "Rossi, Mario"}, {"c@d.it", ""}},
                              "\"Rossi, Mario\" <mario@rossi.it>, c@d.it",
                              "\"Rossi, Mario\" <mario@rossi.it>, c@d.it"},
                    ParseCase{"comment dropped",
                              "mario@rossi.it (ufficio)",
                              {{"mario@rossi.it", ""}},
                              "mario@rossi.it",
                              "mario@rossi.it"},
                    ParseCase{"two addresses run together",
                              "a@b.it c@d.it",
                              {{"a@b.itc@d.it", ""}},
                              "<\"a@b.itc\"@d.it>",
                              "a@b.itc@d.it"},
                    ParseCase{"two words keep only the first",
                              "Mario Rossi",
                              {{"", "Mario "}},
                              "Mario  <>",
                              "\"Mario \" <>"},
                    ParseCase{"blanks only", " \t ", {}, "", ""},
                    ParseCase{"comma only", ",", {}, "", ""},
                    ParseCase{"empty between commas",
                              "a@b.it,,c@d.it",
                              {{"a@b.it", ""}, {"c@d.it", ""}},
                              "a@b.it, c@d.it",
                              "a@b.it, c@d.it"},
                    ParseCase{"accented name",
                              "Società Rossi <info@rossi.it>",
                              {{"info@rossi.it", "Società Rossi"}},
                              "\"Società Rossi\" <info@rossi.it>",
                              "=?ISO-8859-1?Q?Societ=E0?= Rossi <info@rossi.it>"},
                    ParseCase{"special character encoded next to an accent",
                              "Rossi S.p.A. è <a@b.it>",
                              {{"a@b.it", "Rossi S.p.A. è"}},
                              "\"Rossi S.p.A. è\" <a@b.it>",
                              "Rossi =?ISO-8859-1?Q?S=2Ep=2EA=2E_=E8?= <a@b.it>"},
                    ParseCase{"ascii name with dots is quoted",
                              "Rossi S.p.A. <a@b.it>",
                              {{"a@b.it", "Rossi S.p.A."}},
                              "\"Rossi S.p.A.\" <a@b.it>",
                              "\"Rossi S.p.A.\" <a@b.it>"},
                    ParseCase{"escaped quote in quoted name",
                              "\"Mario \\\"Il Capo\\\"\" <m@r.it>",
                              {{"m@r.it", "Mario \"Il Capo\""}},
                              "\"Mario \\\"Il Capo\\\"\" <m@r.it>",
                              "\"Mario \\\"Il Capo\\\"\" <m@r.it>"}),
    [](const testing::TestParamInfo<ParseCase>& param) {
        std::string name;
        for (char c : std::string(param.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(EMailAddressTest, AddressOutsideAngleBracketsRaisesAndKeepsWhatWasParsed) {
    TIdEMailAddressList list;
    try {
        list.SetListText("a@b.it, Mario <mario@rossi.it> altro@x.it");
        FAIL() << "no error";
    } catch (const EIdEmailParseError& e) {
        EXPECT_STREQ(e.what(), "@ Outside address");
    }
    EXPECT_EQ(ItemsOf(list), (Items{{"a@b.it", ""}, {"mario@rossi.it", "Mario"}}));
}

TEST(EMailAddressTest, QuotedAddressQuotesALocalPartThatNeedsIt) {
    struct Case {
        std::string address, name, quoted, text;
    };
    const Case cases[] = {
        {"mario rossi@x.it", "", "<\"mario rossi\"@x.it>", "<\"mario rossi\"@x.it>"},
        {"a\"b@x.it", "N", "<\"a\\\"b\"@x.it>", "N <\"a\\\"b\"@x.it>"},
        {"m.rossi@x.it", "", "m.rossi@x.it", "m.rossi@x.it"},
        {".a b@x.it", "", ".a b@x.it", ".a b@x.it"},  // only the first odd character counts
        {"nodomain", "N", "<nodomain>", "N <nodomain>"},
        {"", "", "", ""},
        {"", "Solo", "<>", "Solo <>"},
        {"a@b.it", "A@B.IT", "<a@b.it>", "<a@b.it>"},  // a name that only repeats the address
    };
    for (const auto& c : cases) {
        TIdEMailAddressItem item;
        item.SetAddress(c.address);
        item.SetName(c.name);
        EXPECT_EQ(item.QuotedAddress(), c.quoted) << c.address;
        EXPECT_EQ(item.Text(), c.text) << c.address;
    }
}

TEST(EMailAddressTest, SenderFormFillsTheNameOnce) {
    TIdEMailAddressList from;
    from.Add().SetAddress("mittente@example.it");
    EXPECT_EQ(RenderAddressList(from, kLatin1, true),
              "\"mittente@example.it\" <mittente@example.it>");
    from[0].SetAddress("altro@example.it");
    EXPECT_EQ(RenderAddressList(from, kLatin1, true), "\"mittente@example.it\" <altro@example.it>");
    TIdEMailAddressItem receipt("r@x.it");
    EXPECT_EQ(RenderAddress(receipt, kLatin1, false), "r@x.it");
    EXPECT_EQ(receipt.Name(), "");
}

TEST(EMailAddressTest, LineBreaksAndNulAreRefused) {
    TIdEMailAddressItem item;
    EXPECT_THROW(item.SetText("a@b.it\r\nRCPT TO:<x@y.it>"), EIdEmailParseError);
    EXPECT_THROW(item.SetAddress("a@b.it\n"), EIdEmailParseError);
    EXPECT_THROW(item.SetName(std::string("a\0b", 3)), EIdEmailParseError);
    TIdEMailAddressList list;
    EXPECT_THROW(list.SetListText("a@b.it\nc@d.it"), EIdEmailParseError);
    list.SetListText("a@b.it\r\n");  // surrounding blanks are no line break inside
    EXPECT_EQ(ItemsOf(list), (Items{{"a@b.it", ""}}));
}

}  // namespace
