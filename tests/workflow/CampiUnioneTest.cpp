// Merge fields: which fields texts use, filling them, the warning for empty ones.

#include "workflow/CampiUnione.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"
#include "UscitaComando.h"
#include "mailing/IdHeaderCoder.h"
#include "workflow/MessaggioSulFilo.h"
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

    for (const auto& [testo, nome] :
         std::vector<std::pair<std::string, std::string>>{{"Gentile {{Nome}}", "{{Nome}}"},
                                                          {"{{Citt}}", "{{Citt}}"},
                                                          {"{{Nome|cliente}}", "{{Nome|cliente}}"},
                                                          {"{{ Tipo }}", "{{ Tipo }}"},
                                                          {"{{}}", "{{}}"}}) {
        try {
            brivano::CampiUsati({"ok {{Tipo}}", testo});
            ADD_FAILURE() << testo;
        } catch (const brivano::ECampoSconosciuto& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Campo di unione sconosciuto: " + nome +
                          ". Campi disponibili: {{Ragione_Sociale}}, {{Tipo}}, {{Citta}}, "
                          "{{Cap}}, {{EMail}}, {{Sito}}, {{PIVA}}, {{Codice_Fiscale}}, {{PEC}}, "
                          "{{Codice_SDI}}, {{Referente}}, {{Telefono}}, {{Base_Giuridica}}, "
                          "{{Data_Consenso}}, {{Fonte_Contatto}}, {{Informativa}}, "
                          "{{Motivo_Contatto}}.");
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

// The Subject of the stored message as Python's email package reads it.
std::string OggettoLettoDaPython(const std::filesystem::path& file) {
    const std::string comando =
        "/usr/bin/python3 -c 'import email, email.policy, sys; "
        "m = email.message_from_binary_file(open(sys.argv[1], \"rb\"), "
        "policy=email.policy.default); sys.stdout.write(str(m[\"Subject\"]))' '" +
        file.string() + "'";
    return UscitaComando(comando);
}

// Fallbacks, names with or without accents in any case, unknown names, and
// values shaped like encoded words, down to the Subject a reader sees.
TEST(CampiUnione, FallbacksAliasesAndValuesThatLookEncoded) {
    const std::string parolaCodificata = "=?UTF-8?B?VklOQ0lUT1JF?=";  // "VINCITORE"
    struct Case {
        std::string oggetto;
        TCampiContatto campi;
        std::string atteso;  // empty: the subject is refused
    };
    const Case cases[] = {
        {"Gentile {{Ragione_Sociale|cliente}}", kRossi, "Gentile Rossi & Figli S.r.l."},
        {"Gentile {{Ragione_Sociale|cliente}}", {}, "Gentile cliente"},
        {"Gentile {{Ragione_Sociale|cliente}}", {{"Ragione_Sociale", "  "}}, "Gentile cliente"},
        {"Gentile {{Ragione_Sociale|}}!", {}, "Gentile !"},
        {"{{Sito|sito: a|b}} {{Cap|}}", {{"Cap", "06012"}}, "sito: a|b 06012"},
        {"{{Città}}/{{citta}}/{{CITTÀ}}/{{cItTà|x}}", kRossi,
         "Città di Castello/Città di Castello/Città di Castello/Città di Castello"},
        {"{{email}} {{RAGIONE_SOCIALE}} {{cap}}", kRossi,
         "info@rossi.it Rossi & Figli S.r.l. 06012"},
        {"{{Città }}", kRossi, ""},
        {"{{Nome|cliente}}", kRossi, ""},
        {"Per {{Ragione_Sociale}}",
         {{"Ragione_Sociale", parolaCodificata}},
         "Per " + parolaCodificata},
        {"{{Tipo}} e città",
         {{"Tipo", "=?utf-8?q?Caff=C3=A8?="}},
         "=?utf-8?q?Caff=C3=A8?= e città"},
        {"{{Tipo}}", {{"Tipo", "=?ISO-8859-1?B?non base64!?="}}, "=?ISO-8859-1?B?non base64!?="},
    };
    TTempDir dir;
    for (std::size_t n = 0; n < std::size(cases); ++n) {
        const Case& c = cases[n];
        if (c.atteso.empty()) {
            EXPECT_THROW(TUnioneInvio(c.oggetto, {}, Piede(), {c.campi}),
                         brivano::ECampoSconosciuto)
                << c.oggetto;
            continue;
        }
        TUnioneInvio unione(c.oggetto, {}, Piede(), {c.campi});
        EXPECT_EQ(unione.Oggetto(0), c.atteso) << c.oggetto;

        TIdMessage message;
        message.From().SetAddress("mario@example.it");
        message.Recipients().SetListText("anna@example.it");
        unione.Applica(0, message);
        const std::string bytes = brivano::BytesSulFilo(message);
        const std::size_t trovato = bytes.find("\r\nSubject: ");
        ASSERT_NE(trovato, std::string::npos) << bytes;
        std::string grezzo;  // folds undone
        for (std::size_t i = trovato + 11; i < bytes.size(); ++i) {
            if (bytes.compare(i, 2, "\r\n") != 0) {
                grezzo += bytes[i];
            } else if (i + 2 < bytes.size() && bytes[i + 2] == ' ') {
                ++i;
            } else {
                break;
            }
        }
        // No encoded word of the value reaches the header as it stands.
        for (const auto& [nome, valore] : c.campi) {
            if (valore.find("=?") != std::string::npos) {
                EXPECT_EQ(grezzo.find(valore), std::string::npos) << grezzo;
            }
        }
        EXPECT_EQ(brivano::DecodeHeaderForReading(grezzo), c.atteso) << grezzo;
        const auto file = dir.path() / (std::to_string(n) + ".eml");
        std::ofstream(file, std::ios::binary) << bytes;
        EXPECT_EQ(OggettoLettoDaPython(file), c.atteso) << grezzo;
    }
}

}  // namespace
