#include "workflow/CopiaContatti.h"

#include "archive/F_DB.h"
#include "archive/TableFile.h"
#include "config/F_Conf.h"
#include "workflow/ContattiArchivio.h"

namespace brivano {

TEsitoImportazione CopiaContatti(TTableFile& da, TTableFile& a,
                                 const std::function<void(std::size_t fatte)>& avanzamento) {
    // Read in the contact list's order and written as they come.
    const auto colonne = ColonneContatto(da);
    auto righe = da.OrderedRows(NomeColonna(TCampo::Ragione_Sociale), false);
    std::vector<TFieldValue> valori;
    long long id = 0;
    int numero = 0;
    TOpzioniImportazione opzioni;
    opzioni.Avanzamento = avanzamento;
    return ImportaContatti(
        a,
        [&](TRigaImportata& riga) {
            if (!righe->Next(id, &valori)) return false;
            riga.Riga = ++numero;
            riga.Contatto = ContattoDaRiga(valori, colonne);
            riga.Presenti.fill(true);
            return true;
        },
        opzioni);
}

std::string CopiaContattiNelNuovoAnno(TFDB& fdb, const std::string& annoPrecedente) {
    // Confirming the working year itself has nothing to copy.
    if (LeggiReg(KeyBrivano, "Anno") == annoPrecedente) return {};
    const std::string file = LeggiReg(KeyBrivano, "DBRubrica");
    const auto da =
        TTableFile::Open(CartellaAnno(LeggiReg(KeyBrivano, "PathDatiGen"), annoPrecedente) + file);
    da->RequireAccess(fdb.Session1.Passwords());
    const auto a = fdb.Session1.OpenTableFile(LeggiReg(KeyBrivano, "AliasDB"), file);
    const TEsitoImportazione esito = CopiaContatti(*da, *a);
    std::string testo = "Copiati " + std::to_string(esito.Aggiunti) + " contatti dall'anno " +
                        annoPrecedente + " (già presenti: " + std::to_string(esito.Duplicati) +
                        ").";
    if (esito.RigheScartate > 0) testo += "\rNon copiati: " + std::to_string(esito.RigheScartate);
    for (const TRigaScartata& s : esito.Scartate)
        testo += "\rcontatto " + std::to_string(s.Riga) + ": " + s.Motivo;
    return testo;
}

}  // namespace brivano
