// Merge fields: which fields texts use, filling them, the warning for empty ones.

#include "workflow/CampiUnione.h"

#include <gtest/gtest.h>

#include "workflow/SpedizioneMail.h"

namespace {

using brivano::TCampiContatto;
using brivano::TUnioneInvio;

const TCampiContatto kRossi = {{"Ragione_Sociale", "Rossi & Figli S.r.l."},
                               {"Tipo", "Cliente"},
                               {"Citta", "Città di Castello"},
                               {"Cap", "06012"},
                               {"EMail", "info@rossi.it"},
                               {"Sito", ""}};

std::vector<std::string> Piede() {
    return {brivano::PiePagina.begin(), brivano::PiePagina.end()};
}

TEST(CampiUnione, FieldsUsedInOrderOnceAndUnknownOnesNamed) {
    struct Case {
        std::vector<std::string> testi;
        std::vector<std::string> usati;
    };
    const Case cases[] = {
        {{"Nessun campo", "", "graffe { } e }} e {{ senza chiusura"}, {}},
        {{"{{Citta}} {{Cap}}", "{{Citta}}, {{Ragione_Sociale}}"},
         {"Citta", "Cap", "Ragione_Sociale"}},
        {{"{{EMail}}{{Sito}}{{Tipo}}"}, {"EMail", "Sito", "Tipo"}},
    };
    for (const auto& c : cases) EXPECT_EQ(brivano::CampiUsati(c.testi), c.usati);

    for (const auto& [testo, nome] : std::vector<std::pair<std::string, std::string>>{
             {"Gentile {{Nome}}", "{{Nome}}"},
             {"{{citta}}", "{{citta}}"},  // names are exact
             {"{{ Tipo }}", "{{ Tipo }}"},
             {"{{}}", "{{}}"}}) {
        try {
            brivano::CampiUsati({"ok {{Tipo}}", testo});
            ADD_FAILURE() << testo;
        } catch (const brivano::ECampoSconosciuto& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Campo di unione sconosciuto: " + nome +
                          ". Campi disponibili: {{Ragione_Sociale}}, {{Tipo}}, {{Citta}}, "
                          "{{Cap}}, {{EMail}}, {{Sito}}.");
        }
    }
}

TEST(CampiUnione, FillsValuesAndKeepsEverythingElse) {
    EXPECT_EQ(brivano::RiempiCampi(
                  "Spett. {{Ragione_Sociale}} ({{Tipo}}), {{Cap}} {{Citta}}{{Sito}}!", kRossi),
              "Spett. Rossi & Figli S.r.l. (Cliente), 06012 Città di Castello!");
    EXPECT_EQ(brivano::RiempiCampi("{{Citta}}", {}), "");
    EXPECT_EQ(brivano::RiempiCampi("a {{ b }} {{Tipo", kRossi), "a {{ b }} {{Tipo");
    EXPECT_EQ(brivano::RiempiCampi("{{Nome}}{{Tipo}}", kRossi), "{{Nome}}Cliente");
    // A value never starts a line of its own.
    EXPECT_EQ(brivano::RiempiCampi("[{{Tipo}}]", {{"Tipo", std::string("a\r\nb\0c", 6)}}),
              "[a  b c]");
}

TEST(CampiUnione, TextsWithoutFieldsGiveTheUsualMessage) {
    const std::array<std::string, 8> righe = {"Gentile cliente,", "", "riga {{ tre"};
    TUnioneInvio unione("Offerta {di} primavera", righe, Piede(), {kRossi, {}});
    EXPECT_TRUE(unione.Usati().empty());
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(unione.Oggetto(i), "Offerta {di} primavera");
        EXPECT_EQ(unione.Corpo(i), brivano::ComponiCorpo(righe));
    }
    EXPECT_EQ(unione.AvvisoCampiVuoti({"info@rossi.it", "scritto@a.mano.it"}), "");
}

TEST(CampiUnione, EachEntryGetsItsContactsValues) {
    TUnioneInvio unione("Per {{Ragione_Sociale}}", {"Spett. {{Ragione_Sociale}},", "{{Citta}}"},
                        {"piede"}, {kRossi, {}});
    EXPECT_EQ(unione.Usati(), (std::vector<std::string>{"Ragione_Sociale", "Citta"}));
    TIdMessage message;
    unione.Applica(0, message);
    EXPECT_EQ(message.Subject(), "Per Rossi & Figli S.r.l.");
    ASSERT_EQ(message.Body().size(), 18u);
    EXPECT_EQ(message.Body()[0], "Spett. Rossi & Figli S.r.l.,");
    EXPECT_EQ(message.Body()[1], "Città di Castello");
    EXPECT_EQ(message.Body()[17], "piede");
    unione.Applica(1, message);  // typed by hand: every field empty
    EXPECT_EQ(message.Subject(), "Per ");
    EXPECT_EQ(message.Body()[0], "Spett. ,");
    unione.Applica(7, message);  // past the known entries: none either
    EXPECT_EQ(message.Body()[1], "");
}

TEST(CampiUnione, WarningListsEntriesWithEmptyUsedFields) {
    TUnioneInvio unione(
        "{{Sito}}", {"{{Ragione_Sociale}} {{Citta}}"}, Piede(),
        {kRossi, {}, {{"Ragione_Sociale", "Bianchi"}, {"Citta", "Roma"}, {"Sito", "b.it"}}});
    EXPECT_EQ(unione.AvvisoCampiVuoti({"info@rossi.it", "scritto@a.mano.it", "b@b.it"}),
              "Per 2 indirizzi alcuni campi di unione sono vuoti e resteranno vuoti nel "
              "messaggio:\rinfo@rossi.it - Sito\rscritto@a.mano.it - Sito, Ragione_Sociale, Citta");
    TUnioneInvio una("{{Tipo}}", {}, Piede(), {kRossi, {}});
    EXPECT_EQ(una.AvvisoCampiVuoti({"info@rossi.it", "x@y.it"}),
              "Per 1 indirizzo alcuni campi di unione sono vuoti e resteranno vuoti nel "
              "messaggio:\rx@y.it - Tipo");
}

}  // namespace
