#include "mailing/IdMessage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "MailTestSupport.h"
#include "MemoryIOHandler.h"
#include "SampleMessage.h"
#include "smtp/IdMessageClient.h"

using testing::ElementsAre;

namespace {

using Lines = std::vector<std::string>;
using namespace std::chrono;

const TIdLocalTime kFirstOfMarch =
    local_days{year(2024) / March / 1} + hours(9) + minutes(5) + seconds(3);

std::vector<std::string> NamesOf(const TIdHeaderList& headers) {
    std::vector<std::string> names;
    for (const auto& line : headers.Lines())
        if (line[0] != ' ') names.push_back(line.substr(0, line.find(':')));
    return names;
}

// A message as the mailing window fills it, in a zone one hour ahead of UTC.
class MessageTest : public testing::Test {
  protected:
    MessageTest() {
        zone_.Set("TZ", "CET-1");
        message_.From().SetAddress("mittente@example.it");
        message_.Recipients().SetListText("cliente@example.it");
        message_.SetSubject("Offerta speciale città");
        message_.SetDate(kFirstOfMarch);
        message_.SetMessageIdLeft([] { return std::string(kLeft); });
    }

    static constexpr const char* kLeft = "1709280303000000.00000000000000aa.1";

    // Writes the message through an in-memory channel; returns its sends.
    std::vector<std::string> Write() {
        TIdMessageClient client;
        auto channel = std::make_unique<TMemoryIOHandler>();
        TMemoryIOHandler* io = channel.get();
        client.SetIOHandler(std::move(channel));
        io->Open();
        try {
            client.WriteMessage(message_);
        } catch (...) {
            sends_ = io->Sends();
            throw;
        }
        return io->Sends();
    }

    ItalianLocale locale_;
    ScopedEnv zone_;
    TIdMessage message_;
    std::vector<std::string> sends_;
};

TEST_F(MessageTest, HeadersOfTheMailingWindowsMessage) {
    EXPECT_EQ(message_.Encoding(), meDefault);
    EXPECT_EQ(message_.AttachmentEncoding(), "MIME");
    message_.BuildHeaderLines();
    EXPECT_THAT(message_.LastGeneratedHeaders().Lines(),
                ElementsAre("From: \"mittente@example.it\" <mittente@example.it>",
                            "Subject: Offerta speciale =?ISO-8859-1?Q?citt=E0?=",
                            "To: cliente@example.it", "Date: Fri, 1 Mar 2024 09:05:03 +0100",
                            "Message-ID: <1709280303000000.00000000000000aa.1@example.it>",
                            "List-Unsubscribe: <mailto:mittente@example.it?subject=Cancellami>"));
    EXPECT_EQ(message_.Encoding(), mePlainText);
    EXPECT_EQ(message_.AttachmentEncoding(), "UUE");
}

TEST_F(MessageTest, EmptyValuesLeaveTheirHeadersOut) {
    TIdMessage empty;
    empty.SetDate(kFirstOfMarch);
    empty.SetMessageIdLeft([] { return std::string(kLeft); });
    empty.From();
    empty.BuildHeaderLines();
    // Without a sender the id takes the host name, and there is no one to
    // unsubscribe from.
    EXPECT_THAT(empty.LastGeneratedHeaders().Lines(),
                ElementsAre("Date: Fri, 1 Mar 2024 09:05:03 +0100",
                            testing::MatchesRegex("Message-ID: <1709280303000000\\."
                                                  "00000000000000aa\\.1@[-.A-Za-z0-9]+>")));
}

TEST_F(MessageTest, MessageIdTakesTheSendersDomainWhenItIsADotAtom) {
    const std::string host = brivano::MessageIdDomain("");
    ASSERT_TRUE(brivano::IsDotAtom(host)) << host;
    const std::pair<const char*, std::string> cases[] = {
        {"mittente@example.it", "example.it"},
        {"a@b@posta.example.it", "posta.example.it"},
        {"senza-dominio", host},
        {"a@[192.0.2.1]", host},
        {"a@exa mple.it", host},
        {"a@example..it", host},
        {"a@.example.it", host},
        {"a@", host},
    };
    for (const auto& [sender, domain] : cases) {
        message_.From().SetAddress(sender);
        message_.BuildHeaderLines();
        EXPECT_EQ(message_.LastGeneratedHeaders().Values("Message-ID"),
                  "<" + std::string(kLeft) + "@" + domain + ">")
            << sender;
    }
}

TEST(MessageIdTest, ThousandLeftPartsAreDistinctDotAtoms) {
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        std::string left = brivano::NewMessageIdLeft();
        EXPECT_TRUE(brivano::IsDotAtom(left)) << left;
        seen.insert(std::move(left));
    }
    EXPECT_EQ(seen.size(), 1000u);
}

TEST_F(MessageTest, ListUnsubscribeIsAMailtoTheSenderAndCanBeTurnedOff) {
    const std::pair<const char*, const char*> cases[] = {
        {"mittente@example.it", "<mailto:mittente@example.it?subject=Cancellami>"},
        {"a&b?c%d#e/f=g@example.it",
         "<mailto:a%26b%3Fc%25d%23e%2Ff%3Dg@example.it?subject=Cancellami>"},
        {"uno,due <x>@example.it", "<mailto:uno%2Cdue%20%3Cx%3E@example.it?subject=Cancellami>"},
        {"àb@example.it", "<mailto:%C3%A0b@example.it?subject=Cancellami>"},
    };
    for (const auto& [sender, value] : cases) {
        message_.From().SetAddress(sender);
        message_.BuildHeaderLines();
        // A long one is folded after "List-Unsubscribe:".
        std::string got = message_.LastGeneratedHeaders().Values("List-Unsubscribe");
        got.erase(0, got.find_first_not_of(' '));
        EXPECT_EQ(got, value) << sender;
    }
    message_.SetListUnsubscribe(false);
    message_.BuildHeaderLines();
    EXPECT_EQ(message_.LastGeneratedHeaders().IndexOfName("List-Unsubscribe"), -1);
}

TEST_F(MessageTest, ExtraHeadersWithAnIdKeepItAndAreRepliedTo) {
    message_.ExtraHeaders().SetHeaderValue("Message-ID", "<vecchio@example.it>");
    message_.BuildHeaderLines();
    const TIdHeaderList& h = message_.LastGeneratedHeaders();
    EXPECT_THAT(NamesOf(h), ElementsAre("From", "Subject", "To", "Date", "List-Unsubscribe",
                                        "Message-ID", "In-Reply-To"));
    EXPECT_EQ(h.Values("Message-ID"), "<vecchio@example.it>");
    EXPECT_EQ(h.Values("In-Reply-To"), "<vecchio@example.it>");
}

TEST_F(MessageTest, EveryHeaderInTableOrder) {
    message_.CCList().SetListText("copia@example.it");
    message_.BccList().SetListText("nascosto@example.it");
    message_.NewsGroups() = {"it.test", "it.comp"};
    message_.SetContentTransferEncoding("8bit");
    message_.SetContentType("text/plain");
    message_.Sender().SetText("s@example.it");
    message_.ReplyTo().SetListText("Risposte <r@example.it>");
    message_.SetOrganization("Società");
    message_.ReceiptRecipient().SetText("ricevuta@example.it");
    message_.SetReferences("<ref@example.it>");
    message_.SetPriority(mpHigh);
    message_.ExtraHeaders().SetHeaderValue("X-Mailer", "");
    message_.ExtraHeaders().SetHeaderValue("X-Extra", "uno");
    message_.SetInReplyTo("id@example.it");
    message_.BuildHeaderLines();
    const TIdHeaderList& h = message_.LastGeneratedHeaders();
    EXPECT_THAT(NamesOf(h), ElementsAre("From", "Subject", "To", "Cc", "Newsgroups",
                                        "Content-Transfer-Encoding", "Content-Type", "Sender",
                                        "Reply-To", "Organization", "Disposition-Notification-To",
                                        "References", "Date", "Message-ID", "List-Unsubscribe",
                                        "X-Priority", "X-Extra", "In-Reply-To"));
    EXPECT_EQ(h.Values("Newsgroups"), "it.test,it.comp");
    EXPECT_EQ(h.Values("Reply-To"), "\"Risposte\" <r@example.it>");
    EXPECT_EQ(h.Values("Organization"), "=?ISO-8859-1?Q?Societ=E0?=");
    EXPECT_EQ(h.Values("Sender"), "s@example.it");
    EXPECT_EQ(h.Values("Disposition-Notification-To"), "ricevuta@example.it");
    EXPECT_EQ(h.Values("X-Priority"), "2");
    EXPECT_EQ(h.Values("In-Reply-To"), "<id@example.it>");
}

TEST_F(MessageTest, LongSubjectFoldsOnTwoLines) {
    message_.SetSubject(
        "Prezzi più bassi per tutti i clienti della nostra azienda, validi fino a dicembre "
        "prossimo");
    message_.BuildHeaderLines();
    const Lines& lines = message_.LastGeneratedHeaders().Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1],
              "Subject: Prezzi =?ISO-8859-1?Q?pi=F9?= bassi per tutti i clienti della nostra");
    EXPECT_EQ(lines[2], " azienda, validi fino a dicembre prossimo");
}

TEST_F(MessageTest, DateLineCarriesTheOffsetInForceNow) {
    const std::pair<const char*, const char*> zones[] = {
        {"CET-1", "Date: Fri, 1 Mar 2024 09:05:03 +0100"},
        {"NST3:30", "Date: Fri, 1 Mar 2024 09:05:03 -0330"},
        {"UTC0", "Date: Fri, 1 Mar 2024 09:05:03 +0000"},
        // daylight saving time all year: the daylight offset counts
        {"EST5EDT,0/0,J365/25", "Date: Fri, 1 Mar 2024 09:05:03 -0400"},
    };
    for (auto [tz, line] : zones) {
        ScopedEnv env;
        env.Set("TZ", tz);
        message_.BuildHeaderLines();
        EXPECT_EQ(message_.LastGeneratedHeaders()[3], line) << tz;
    }
    EXPECT_EQ(FormatInternetDate(local_days{year(2000) / February / 29}),
              "Tue, 29 Feb 2000 00:00:00 +0100");
}

TEST_F(MessageTest, WithoutDateTheMessageCarriesTheTimeItIsWritten) {
    message_.SetDate(TIdLocalTime{});
    EXPECT_TRUE(message_.UseNowForDate());
    message_.BuildHeaderLines();
    static const std::regex date(
        "Date: (Sun|Mon|Tue|Wed|Thu|Fri|Sat), [1-9][0-9]? "
        "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} "
        "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] "
        "\\+0100");
    EXPECT_TRUE(std::regex_match(message_.LastGeneratedHeaders()[3], date))
        << message_.LastGeneratedHeaders()[3];
}

TEST_F(MessageTest, GeneratingTwiceGivesTheSameLines) {
    message_.BuildHeaderLines();
    Lines first = message_.LastGeneratedHeaders().Lines();
    message_.BuildHeaderLines();
    EXPECT_EQ(message_.LastGeneratedHeaders().Lines(), first);
    EXPECT_EQ(message_.Encoding(), mePlainText);
    EXPECT_EQ(message_.LastGeneratedHeaders().IndexOfName("Bcc"), -1);
}

TEST_F(MessageTest, BodyTextSplitsAtCrLfOrCrLf) {
    struct Case {
        std::string text;
        Lines lines;
    };
    const Case cases[] = {{"", {}},
                          {"a", {"a"}},
                          {"a\r", {"a"}},
                          {"\r", {""}},
                          {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
                          {"a\n\rb", {"a", "", "b"}},
                          {"a\r\r", {"a", ""}}};
    for (const auto& c : cases) {
        message_.SetBodyText(c.text);
        EXPECT_EQ(message_.Body(), c.lines) << c.text;
    }
    message_.SetBodyText(sample::BodyText());
    EXPECT_EQ(message_.Body().size(), 26u);
}

TEST_F(MessageTest, WritesHeadersInOneSendThenBodyLinesWithTheDotRule) {
    message_.SetBodyText(sample::BodyText());
    message_.Body()[1] = ".";
    message_.Body()[5] = " .";
    std::vector<std::string> sends = Write();
    ASSERT_EQ(sends.size(), 1u + 1u + 26u + 1u);
    EXPECT_EQ(sends[0], message_.LastGeneratedHeaders().Text());
    EXPECT_EQ(sends[1], "\r\n");
    EXPECT_EQ(sends[2], "Gentile cliente,\r\n");
    EXPECT_EQ(sends[3], "..\r\n");
    EXPECT_EQ(sends[6], "..5% di sconto aggiuntivo per chi ordina entro venerdi.\r\n");
    EXPECT_EQ(sends[7], " .\r\n");
    for (int i = 10; i < 19; ++i) EXPECT_EQ(sends[static_cast<std::size_t>(i)], "\r\n");
    EXPECT_EQ(sends[27], std::string(sample::kFooter[8]) + "\r\n");
    EXPECT_EQ(sends[28], "\r\n");
    EXPECT_EQ(message_.LastGeneratedHeaders().IndexOfName("MIME-Version"), -1);
}

TEST_F(MessageTest, AccentedBodyGoesAsLabelledQuotedPrintable) {
    const std::string longLine = std::string(75, 'a') + ".bè";
    message_.Body() = {"Città di Roma", ".più", longLine, "fine è ", "= uguale"};
    std::vector<std::string> sends = Write();
    EXPECT_THAT(NamesOf(message_.LastGeneratedHeaders()),
                ElementsAre("From", "Subject", "To", "Date", "Message-ID", "List-Unsubscribe",
                            "MIME-Version", "Content-Type", "Content-Transfer-Encoding"));
    EXPECT_EQ(message_.LastGeneratedHeaders().Values("Content-Type"),
              "text/plain; charset=ISO-8859-1");
    EXPECT_EQ(message_.LastGeneratedHeaders().Values("Content-Transfer-Encoding"),
              "quoted-printable");
    EXPECT_THAT(Lines(sends.begin() + 2, sends.end()),
                ElementsAre("Citt=E0 di Roma\r\n", "..pi=F9\r\n", std::string(75, 'a') + "=\r\n",
                            "..b=E8\r\n", "fine =E8=20\r\n", "=3D uguale\r\n", "\r\n"));
}

TEST_F(MessageTest, BodyTheCharsetCannotHoldGoesAsUtf8) {
    message_.Body() = {"Prezzo: 10 €", "città"};
    std::vector<std::string> sends = Write();
    EXPECT_EQ(message_.LastGeneratedHeaders().Values("Content-Type"), "text/plain; charset=UTF-8");
    EXPECT_EQ(sends[2], "Prezzo: 10 =E2=82=AC\r\n");
    EXPECT_EQ(sends[3], "citt=C3=A0\r\n");
}

TEST_F(MessageTest, JapaneseLocaleConvertsHeadersAndBody) {
    ScopedEnv env;
    env.Set("LC_ALL", "ja_JP.UTF-8");
    message_.SetSubject("ｶﾞ");
    message_.Body() = {"ガ"};
    std::vector<std::string> sends = Write();
    EXPECT_EQ(message_.LastGeneratedHeaders().Values("Subject"), "=?ISO-2022-JP?B?GyRCJSwbKEI=?=");
    EXPECT_EQ(message_.LastGeneratedHeaders().Values("Content-Type"),
              "text/plain; charset=ISO-2022-JP");
    EXPECT_EQ(sends[2], "=1B$B%,=1B(B\r\n");
}

TEST_F(MessageTest, UnsafeTextIsRefusedBeforeAnythingIsWritten) {
    message_.SetSubject("Ciao\r\nBcc: tutti@example.it");
    EXPECT_THROW(Write(), EIdInvalidHeaderText);
    EXPECT_TRUE(sends_.empty());

    message_.SetSubject("Ciao");
    message_.Body() = {"uno", "due\r\n.\r\nMAIL FROM:<x@y.it>"};
    EXPECT_THROW(Write(), EIdInvalidLine);
    EXPECT_TRUE(sends_.empty());

    message_.Body() = {"uno"};
    message_.SetOrganization(std::string("a\0b", 3));
    EXPECT_THROW(Write(), EIdInvalidHeaderText);
}

}  // namespace
