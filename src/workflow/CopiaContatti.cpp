#include "workflow/CopiaContatti.h"

#include "archive/F_DB.h"
#include "archive/TableFile.h"
#include "config/F_Conf.h"
#include "workflow/ContattiArchivio.h"

namespace brivano {

TEsitoImportazione CopiaContatti(TTableFile& da, TTableFile& a,
                                 const std::function<void(std::size_t fatte)>& avanzamento) {
    std::vector<TRigaImportata> righe;
    int numero = 0;
    for (TContatto& contatto : LeggiContatti(da)) {
        TRigaImportata riga;
        riga.Riga = ++numero;
        riga.Contatto = std::move(contatto);
        riga.Contatto.OrdNum = 0;
        riga.Presenti.fill(true);
        righe.push_back(std::move(riga));
    }
    return ImportaContatti(a, righe, TDuplicati::Salta, avanzamento);
}

std::string CopiaContattiNelNuovoAnno(TFDB& fdb, const std::string& annoPrecedente) {
    const std::string file = LeggiReg(KeyBrivano, "DBRubrica");
    const auto da =
        TTableFile::Open(CartellaAnno(LeggiReg(KeyBrivano, "PathDatiGen"), annoPrecedente) + file);
    da->RequireAccess(fdb.Session1.Passwords());
    const auto a = fdb.Session1.OpenTableFile(LeggiReg(KeyBrivano, "AliasDB"), file);
    const TEsitoImportazione esito = CopiaContatti(*da, *a);
    std::string testo = "Copiati " + std::to_string(esito.Aggiunti) + " contatti dall'anno " +
                        annoPrecedente + " (già presenti: " + std::to_string(esito.Duplicati) +
                        ").";
    if (!esito.Scartate.empty()) testo += "\rNon copiati: " + std::to_string(esito.Scartate.size());
    for (const TRigaScartata& s : esito.Scartate)
        testo += "\rcontatto " + std::to_string(s.Riga) + ": " + s.Motivo;
    return testo;
}

}  // namespace brivano
