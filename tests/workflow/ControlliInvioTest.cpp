// Checks before a run, and the message as written for the preview.

#include "workflow/ControlliInvio.h"

#include <gtest/gtest.h>

#include "RecordingMessageBoxes.h"
#include "workflow/MessaggioSulFilo.h"
#include "workflow/SpedizioneMail.h"

namespace {

using brivano::TUnioneInvio;

std::vector<std::string> Piede() {
    return {brivano::PiePagina.begin(), brivano::PiePagina.end()};
}

class ControlliInvio : public testing::Test {
  protected:
    ControlliInvio() { message_.From().SetAddress("mario@example.it"); }
    bool Controlla(const TUnioneInvio& unione, const std::vector<std::string>& voci) {
        return brivano::ControlliPrimaDellInvio(boxes_, message_, unione, voci);
    }
    TRecordingMessageBoxes boxes_;
    TIdMessage message_;
};

TEST_F(ControlliInvio, UnknownFieldStopsTheRunNamingIt) {
    EXPECT_FALSE(brivano::UnionePerInvio(boxes_, "Per {{Ditta}}", {}, Piede(), {}));
    ASSERT_EQ(boxes_.Messages().size(), 1u);
    EXPECT_EQ(boxes_.Messages()[0].rfind("Campo di unione sconosciuto: {{Ditta}}.", 0), 0u);
    EXPECT_NE(boxes_.Messages()[0].find("\rInvio annullato."), std::string::npos);
    EXPECT_TRUE(brivano::UnionePerInvio(boxes_, "Per {{Tipo}}", {}, Piede(), {}));
}

TEST_F(ControlliInvio, EmptySubjectAsksWhetherToGoOn) {
    TUnioneInvio vuoto("", {"Buongiorno"}, Piede(), {});
    EXPECT_FALSE(Controlla(vuoto, {"a@b.it"}));
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.asked, std::vector<std::string>{"L'oggetto è vuoto: i messaggi partiranno "
                                                     "senza oggetto.\rContinuare?"});
    boxes_.answers = {TConfirmAnswer::Yes};
    EXPECT_TRUE(Controlla(vuoto, {"a@b.it"}));
    // Without entries nothing is sent, so nothing is asked.
    boxes_.boxes.clear();
    EXPECT_TRUE(Controlla(vuoto, {}));
    EXPECT_TRUE(boxes_.boxes.empty());
    // A subject made only of a field that is empty for every entry is empty too.
    EXPECT_FALSE(Controlla(TUnioneInvio("{{Sito}}", {}, Piede(), {}), {"a@b.it"}));
    EXPECT_EQ(boxes_.boxes[0].text.rfind("L'oggetto è vuoto", 0), 0u);
}

TEST_F(ControlliInvio, EmptyFieldsAreListedBeforeTheRun) {
    TUnioneInvio unione("Per {{Ragione_Sociale}}", {}, Piede(),
                        {{{"Ragione_Sociale", "Rossi"}}, {}});
    EXPECT_FALSE(Controlla(unione, {"r@rossi.it", "x@y.it"}));
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.asked.at(0),
              "Per 1 indirizzo alcuni campi di unione sono vuoti e resteranno vuoti nel "
              "messaggio:\rx@y.it - Ragione_Sociale\rContinuare?");
    boxes_.answers = {TConfirmAnswer::Yes};
    EXPECT_TRUE(Controlla(unione, {"r@rossi.it", "x@y.it"}));
}

TEST_F(ControlliInvio, AnAddressTheParseCannotTakeWholeStopsTheRun) {
    // Both would reach the envelope as "<@z.it>".
    const TUnioneInvio unione("Offerta", {"Buongiorno"}, Piede(), {});
    for (const std::string storto : {"\"x@y.it> NOTIFY=SUCCESS\"@z.it", "\"anna rossi\"@z.it"}) {
        boxes_.boxes.clear();
        EXPECT_FALSE(Controlla(unione, {"a@b.it", storto}));
        EXPECT_EQ(boxes_.Messages(), std::vector<std::string>{"Indirizzo non valido: " + storto +
                                                              "\rInvio annullato."});
    }
    EXPECT_TRUE(Controlla(unione, {"a@b.it", "Anna <a@b.it>"}));
}

TEST_F(ControlliInvio, ALocalPartBeyondAsciiStopsTheRunSayingWhy) {
    const TUnioneInvio unione("Offerta", {"Buongiorno"}, Piede(), {});
    EXPECT_FALSE(Controlla(unione, {"a@b.it", "Città <città@posta.it>"}));
    ASSERT_EQ(boxes_.Messages().size(), 1u);
    EXPECT_NE(boxes_.Messages()[0].find("SMTPUTF8"), std::string::npos) << boxes_.Messages()[0];
    EXPECT_TRUE(Controlla(unione, {"anna@città.it"}));
}

TEST_F(ControlliInvio, LinesOver998OctetsOnceEncodedAreRefused) {
    struct Case {
        std::string oggetto;
        std::string riga;
        const char* prefisso;  // of the refusal, empty when accepted
    };
    const Case cases[] = {
        {"Offerta", std::string(998, 'a'), ""},
        {"Offerta", std::string(999, 'a'), "Messaggio per a@b.it: Una riga del testo misura 999"},
        // Accented text goes quoted-printable, whose lines are short.
        {"Offerta", std::string(600, 'a') + std::string(600, 'a') + "è", ""},
        // Folded after "Subject:", the word alone is one space and 1000 letters.
        {std::string(1000, 'x'), "", "Messaggio per a@b.it: Un'intestazione misura 1001"},
        // Encoded words are folded, so a long accented subject is fine.
        {std::string(200, 'x') + " " +
             [] {
                 std::string s;
                 for (int i = 0; i < 300; ++i) s += "à ";
                 return s;
             }(),
         "", ""},
    };
    for (const auto& c : cases) {
        boxes_.boxes.clear();
        const bool ok = Controlla(TUnioneInvio(c.oggetto, {c.riga}, Piede(), {}), {"a@b.it"});
        EXPECT_EQ(ok, std::string(c.prefisso).empty()) << c.oggetto.size() << " " << c.riga.size();
        if (!ok) {
            ASSERT_EQ(boxes_.Messages().size(), 1u);
            EXPECT_EQ(boxes_.Messages()[0].rfind(c.prefisso, 0), 0u) << boxes_.Messages()[0];
            EXPECT_NE(boxes_.Messages()[0].find("il limite è 998 (RFC 5322).\rInvio annullato."),
                      std::string::npos);
        }
    }
    EXPECT_TRUE(message_.Subject().empty());  // the prepared message is left alone
}

TEST(MessaggioSulFilo, ReadableFormDecodesHeadersAndKeepsTheBody) {
    TIdMessage message;
    message.From().SetAddress("mario@example.it");
    message.Recipients().SetListText("anna@example.it");
    message.SetSubject("Città e “virgolette” per tutti i clienti della nostra azienda di Forlì");
    message.SetBodyText("Prezzo 10 €\r.riga con punto\r");
    message.SetMessageIdLeft([] { return std::string("fisso"); });
    const std::string bytes = brivano::BytesSulFilo(message);
    EXPECT_NE(bytes.find("=?UTF-8?"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n\r\nPrezzo 10 =E2=82=AC\r\n..riga con punto\r\n\r\n"),
              std::string::npos);
    const std::string leggibile = brivano::TestoLeggibile(message);
    EXPECT_NE(leggibile.find("Subject: Città e “virgolette” per tutti i clienti della nostra "
                             "azienda di Forlì\n"),
              std::string::npos)
        << leggibile;
    EXPECT_NE(leggibile.find("Message-ID: <fisso@example.it>\n"), std::string::npos);
    EXPECT_NE(leggibile.find("\n\nPrezzo 10 €\n.riga con punto\n"), std::string::npos);
}

}  // namespace
