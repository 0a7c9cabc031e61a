// What lands in the sender's mailbox, as mail servers and people write it:
// each sample must come out as exactly one kind, with the right addresses.
#include "posta/ClassificaPosta.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CampioniPosta.h"
#include "TempDir.h"
#include "tools/RubricaCli.h"

namespace brivano {
namespace {

std::string Righe(const std::vector<std::string>& righe) {
    std::string testo;
    for (const auto& riga : righe) testo += riga + "|";
    return testo;
}

struct TCaso {
    const char* Nome;
    std::string Messaggio;
    std::string Atteso;  // RigheEsame joined by "|"
};

TEST(ClassificaPosta, OgniFormaDaUnaSolaParte) {
    const std::vector<TCaso> casi = {
        {"rapporto definitivo", campioni::RapportoDefinitivo(),
         "rimbalzo-definitivo mario.rossi@esempio.it 5.1.1|"},
        {"rapporto ritardato", campioni::RapportoRitardato(),
         "rimbalzo-temporaneo lenta@esempio.it 4.4.1|"},
        {"rapporto con due destinatari", campioni::RapportoDoppio(),
         "rimbalzo-temporaneo piena@esempio.it 4.2.2|rimbalzo-definitivo "
         "nessuno@esempio.it 5.1.1|"},
        {"rapporto di consegna riuscita", campioni::RapportoConsegnato(), "risposta-automatica|"},
        {"testo con codice esteso", campioni::TestoConCodice(),
         "rimbalzo-definitivo bianchi@esempio.it 5.1.1|"},
        {"avviso di errore con copia", campioni::AvvisoConCopia(),
         "rimbalzo-definitivo verdi@esempio.it 5.1.1|"},
        {"testo temporaneo senza codice", campioni::TestoTemporaneo(),
         "rimbalzo-temporaneo neri@esempio.it|"},
        {"solo la copia restituita", campioni::SoloCopiaRestituita(),
         "rimbalzo-definitivo gialli@esempio.it 550|"},
        {"cancellami nell'oggetto", campioni::Richiesta("Re: CANCELLÀMI", "grazie", ""),
         "cancellami cliente@ditta.it|"},
        {"cancellami nella prima riga",
         campioni::Richiesta("Re: la vostra offerta", "Cancellami\naltro@ditta.it", ""),
         "cancellami cliente@ditta.it|cancellami altro@ditta.it|"},
        {"fuori sede con cancellami",
         campioni::Richiesta("Risposta automatica: Cancellami", "Sono in ferie", ""),
         "risposta-automatica|"},
        {"auto-submitted",
         campioni::Richiesta("Re: Cancellami", "x", "Auto-Submitted: auto-replied\n"),
         "risposta-automatica|"},
        {"auto-submitted no", campioni::Richiesta("Re: Cancellami", "x", "Auto-Submitted: no\n"),
         "cancellami cliente@ditta.it|"},
        {"precedence bulk", campioni::Richiesta("Notizie", "x", "Precedence: bulk\n"),
         "risposta-automatica|"},
        {"x-autoreply", campioni::Richiesta("Re: offerta", "x", "X-Autoreply: yes\n"),
         "risposta-automatica|"},
        {"out of office", campioni::Richiesta("Out of Office: offerta", "x", ""),
         "risposta-automatica|"},
        {"risposta qualsiasi", campioni::Richiesta("Re: offerta", "Sono interessato", ""),
         "altro|"},
        {"cancellami citato soltanto",
         campioni::Richiesta("Re: offerta", "Va bene\n> mettendo nell oggetto Cancellami", ""),
         "altro|"},
        {"byte qualsiasi", std::string("\x01\x02\xff\n\n--", 6), "altro|"},
        {"vuoto", "", "altro|"},
    };
    for (const auto& caso : casi)
        EXPECT_EQ(Righe(RigheEsame(ClassificaPosta(caso.Messaggio))), caso.Atteso) << caso.Nome;
}

TEST(ClassificaPosta, IlRimbalzoRichiamaIlMessaggioRestituitoEConservaLaDiagnosi) {
    for (const std::string& messaggio :
         {campioni::RapportoDefinitivo(), campioni::AvvisoConCopia(), campioni::TestoConCodice()}) {
        const TPostaClassificata esito = ClassificaPosta(messaggio);
        ASSERT_EQ(esito.Indirizzi.size(), 1u);
        EXPECT_EQ(esito.Richiamati, std::vector<std::string>{"brivano.1.1@ditta.it"});
        EXPECT_NE(esito.Indirizzi[0].Diagnosi.find("550"), std::string::npos);
        EXPECT_FALSE(esito.MessageId.empty());
        EXPECT_FALSE(esito.Data.empty());
    }
}

TEST(ClassificaPosta, UnaRispostaANostroMessaggioContaCancellamiOvunqueNelTesto) {
    const std::string risposta =
        campioni::Richiesta("Re: offerta", "Buongiorno,\nper favore cancellami dalla lista.\n",
                            "In-Reply-To: <brivano.1.1@ditta.it>\n");
    EXPECT_EQ(ClassificaPosta(risposta).Tipo, TTipoPosta::Altro);
    const TPostaClassificata esito =
        ClassificaPosta(risposta, [](std::string_view id) { return id == "brivano.1.1@ditta.it"; });
    EXPECT_EQ(esito.Tipo, TTipoPosta::Cancellami);
    EXPECT_EQ(esito.Richiamati, std::vector<std::string>{"brivano.1.1@ditta.it"});
}

// The command reads files only: no configuration is written, so a first start
// never happens; a missing file is an error that names it.
TEST(ClassificaPosta, EsaminaStampaTipoERighePerFile) {
    TScopedXdgHome casa;
    TTempDir cartella;
    const std::string rimbalzo = (cartella.path() / "r.eml").string();
    const std::string richiesta = (cartella.path() / "c.eml").string();
    std::ofstream(rimbalzo, std::ios::binary) << campioni::RapportoDoppio();
    std::ofstream(richiesta, std::ios::binary) << campioni::Richiesta("Re: Cancellami", "", "");
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(
        EseguiRubrica({"posta", "esamina", rimbalzo, richiesta}, cartella.str(), in, out, err), 0);
    EXPECT_EQ(out.str(), rimbalzo +
                             ": rimbalzo-definitivo\n"
                             "rimbalzo-temporaneo piena@esempio.it 4.2.2\n"
                             "rimbalzo-definitivo nessuno@esempio.it 5.1.1\n" +
                             richiesta + ": cancellami\ncancellami cliente@ditta.it\n");
    EXPECT_TRUE(std::filesystem::is_empty(casa.path()));
    std::ostringstream out2, err2;
    EXPECT_EQ(EseguiRubrica({"posta", "esamina", (cartella.path() / "manca.eml").string()},
                            cartella.str(), in, out2, err2),
              UscitaErrore);
    EXPECT_NE(err2.str().find("manca.eml"), std::string::npos) << err2.str();
}

}  // namespace
}  // namespace brivano
