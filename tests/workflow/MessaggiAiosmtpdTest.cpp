// What recipients' mail programs read: messages of send runs stored by
// Debian's aiosmtpd and read back by Python's email package, which also
// checks every header (Message-ID, List-Unsubscribe) for defects.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "SinkAiosmtpd.h"
#include "TempDir.h"
#include "UscitaComando.h"
#include "workflow/CampiUnione.h"
#include "workflow/MessaggioSulFilo.h"
#include "workflow/SpedizioneMail.h"

namespace {

struct TLetto {
    std::multimap<std::string, std::string> intestazioni;
    std::vector<std::string> corpo;
    std::string Valore(const std::string& nome) const {
        auto it = intestazioni.find(nome);
        return it == intestazioni.end() ? std::string() : it->second;
    }
};

// The stored messages as LeggiMessaggi.py reads them; fails the test when the
// script finds a defect.
std::vector<TLetto> LeggiMessaggi(const std::filesystem::path& folder) {
    const std::string comando = std::string("/usr/bin/python3 ") + BRIVANO_READ_MESSAGES_SCRIPT +
                                " '" + folder.string() + "'";
    const std::string uscita =
        UscitaComando(comando, "the email package found a defect (see standard error)");
    std::vector<TLetto> letti;
    bool nelCorpo = false;
    for (std::size_t inizio = 0; inizio < uscita.size();) {
        std::size_t fine = uscita.find('\n', inizio);
        if (fine == std::string::npos) fine = uscita.size();
        const std::string riga = uscita.substr(inizio, fine - inizio);
        inizio = fine + 1;
        if (riga.rfind("== ", 0) == 0) {
            letti.emplace_back();
            nelCorpo = false;
        } else if (!nelCorpo && riga == "--") {
            nelCorpo = true;
        } else if (nelCorpo) {
            letti.back().corpo.push_back(riga);
        } else {
            const std::size_t tab = riga.find('\t');
            letti.back().intestazioni.emplace(riga.substr(0, tab), riga.substr(tab + 1));
        }
    }
    return letti;
}

class MessaggiAiosmtpd : public testing::Test {
  protected:
    void SetUp() override {
        sink_ = std::make_unique<TSinkAiosmtpd>(cartella_.path());
        ASSERT_TRUE(sink_->Ready()) << "aiosmtpd did not start (Debian package python3-aiosmtpd)";
        dati_.Host = "127.0.0.1";
        dati_.Porta = sink_->Port();
        dati_.Mittente = "mario@example.it";
        dati_.Password = "segreta";
        smtp_.SetHeloName("client.test");
    }

    brivano::TEsitoInvio Invia(const std::vector<std::string>& voci,
                               const brivano::TUnioneInvio* unione = nullptr) {
        brivano::PreparaInvio(smtp_, message_, dati_, {5000, 5000, {5000, 5000, 5000, 5000}});
        brivano::TAvvisiInvio avvisi;
        if (unione)
            avvisi.Componi = [unione](std::size_t i, TIdMessage& m) { unione->Applica(i, m); };
        return brivano::EseguiInvio(smtp_, message_, voci, avvisi);
    }

    TTempDir cartella_;
    std::unique_ptr<TSinkAiosmtpd> sink_;
    TIdSMTP smtp_;
    TIdMessage message_;
    brivano::TDatiInvio dati_;
};

TEST_F(MessaggiAiosmtpd, MergeFieldsWithAccentsReachTheReader) {
    const brivano::TCampiContatto societa = {{"Ragione_Sociale", "Società Élite “Due” S.p.A."},
                                             {"Tipo", "Fornitore"},
                                             {"Citta", "Forlì"},
                                             {"Cap", "47121"},
                                             {"EMail", "info@elite.it"},
                                             {"Sito", "elite.it"}};
    const std::array<std::string, 8> righe = {"Spett. {{Ragione_Sociale}} ({{Tipo}}),",
                                              "sede di {{Cap}} {{Citta}}, sito {{Sito}}.",
                                              "Scriveremo a {{EMail}} — grazie."};
    const brivano::TUnioneInvio unione("Offerta per {{Ragione_Sociale}} di {{Citta}}", righe,
                                       {brivano::PiePagina.begin(), brivano::PiePagina.end()},
                                       {societa, {}});
    const auto esito = Invia({"info@elite.it", "scritto@a.mano.it"}, &unione);
    ASSERT_TRUE(esito.Falliti.empty()) << brivano::TestoFallimenti(esito.Falliti);

    const auto letti = LeggiMessaggi(cartella_.path());
    ASSERT_EQ(letti.size(), 2u);
    EXPECT_EQ(letti[0].Valore("Subject"), "Offerta per Società Élite “Due” S.p.A. di Forlì");
    EXPECT_EQ(letti[0].Valore("Content-Transfer-Encoding"), "quoted-printable");
    ASSERT_GE(letti[0].corpo.size(), 26u);
    EXPECT_EQ(letti[0].corpo[0], "Spett. Società Élite “Due” S.p.A. (Fornitore),");
    EXPECT_EQ(letti[0].corpo[1], "sede di 47121 Forlì, sito elite.it.");
    EXPECT_EQ(letti[0].corpo[2], "Scriveremo a info@elite.it — grazie.");
    EXPECT_EQ(letti[0].corpo[25], brivano::PiePagina[8]);
    EXPECT_EQ(letti[0].Valore("List-Unsubscribe"), "<mailto:mario@example.it?subject=Cancellami>");
    // The entry typed by hand fills the fields empty.
    EXPECT_EQ(letti[1].Valore("Subject"), "Offerta per  di");
    EXPECT_EQ(letti[1].corpo[0], "Spett.  (),");
    EXPECT_NE(letti[0].Valore("Message-ID"), letti[1].Valore("Message-ID"));
}

TEST_F(MessaggiAiosmtpd, ThousandMessagesCarryDistinctIds) {
    dati_.Oggetto = "Novità";
    const std::vector<std::string> voci(1000, "anna@example.it");
    const auto esito = Invia(voci);
    ASSERT_TRUE(esito.Falliti.empty()) << brivano::TestoFallimenti(esito.Falliti);
    const auto letti = LeggiMessaggi(cartella_.path());
    ASSERT_EQ(letti.size(), 1000u);
    std::set<std::string> ids;
    for (const auto& letto : letti) {
        EXPECT_EQ(letto.Valore("Subject"), "Novità");
        ids.insert(letto.Valore("Message-ID"));
    }
    EXPECT_EQ(ids.size(), 1000u);
}

TEST_F(MessaggiAiosmtpd, PreviewBytesAreTheBytesOnTheWire) {
    dati_.Oggetto = "Novità per {{Ragione_Sociale}}";
    const brivano::TUnioneInvio unione(dati_.Oggetto,
                                       {"Spett. {{Ragione_Sociale}},", "prezzi in €."},
                                       {brivano::PiePagina.begin(), brivano::PiePagina.end()},
                                       {{{"Ragione_Sociale", "Società “Due”"}}});
    message_.SetDate(std::chrono::local_days{std::chrono::year(2024) / 3 / 1});
    message_.SetMessageIdLeft([] { return std::string("anteprima.1"); });
    brivano::PreparaInvio(smtp_, message_, dati_, {5000, 5000, {5000, 5000, 5000, 5000}});
    TIdMessage anteprima = message_;
    unione.Applica(0, anteprima);
    anteprima.Recipients().SetListText("anna@example.it");
    const std::string previsti = brivano::BytesSulFilo(anteprima);

    const auto esito = Invia({"anna@example.it"}, &unione);
    ASSERT_TRUE(esito.Falliti.empty()) << brivano::TestoFallimenti(esito.Falliti);
    const auto ricevuti = TSinkAiosmtpd::Messages(cartella_.path());
    ASSERT_EQ(ricevuti.size(), 1u);
    EXPECT_EQ(ricevuti[0], previsti);
    LeggiMessaggi(cartella_.path());
}

}  // namespace
