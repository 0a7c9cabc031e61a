#include "workflow/ComandiContatti.h"

#include "archive/F_DB.h"
#include "archive/TableFile.h"
#include "config/F_Conf.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/Esportazione.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroContatti.h"

namespace brivano {

std::shared_ptr<TTableFile> RubricaDiLavoro(TFDB& fdb) {
    return fdb.Session1.OpenTableFile(LeggiReg(KeyBrivano, "AliasDB"),
                                      LeggiReg(KeyBrivano, "DBRubrica"));
}

TEsitoImportazione ImportaFile(TTableFile& rubrica, const std::filesystem::path& file,
                               TDuplicati duplicati,
                               const std::function<void(std::size_t fatte)>& avanzamento) {
    TLetturaImportazione lettura(file);
    TOpzioniImportazione opzioni;
    opzioni.Duplicati = duplicati;
    opzioni.Avanzamento = avanzamento;
    TEsitoImportazione esito = ImportaContatti(
        rubrica, [&lettura](TRigaImportata& riga) { return lettura.Prossima(riga); }, opzioni);
    if (lettura.CodificheMiste()) esito.CodificheMiste = lettura.File().Codifica;
    return esito;
}

TAnteprimaImportazione AnteprimaImportazione(TTableFile& rubrica, const std::filesystem::path& file,
                                             TDuplicati duplicati, std::size_t righe) {
    TLetturaImportazione lettura(file);
    TAnteprimaImportazione anteprima;
    TOpzioniImportazione opzioni;
    opzioni.Duplicati = duplicati;
    opzioni.Prova = true;
    opzioni.PerRiga = [&anteprima](const TRigaImportata& riga, TEsitoRiga esito,
                                   const std::string& motivo) {
        anteprima.Righe.push_back({riga, esito, motivo});
    };
    ImportaContatti(
        rubrica,
        [&](TRigaImportata& riga) {
            if (anteprima.Righe.size() < righe) return lettura.Prossima(riga);
            TRigaImportata oltre;
            anteprima.Altre = lettura.Prossima(oltre);
            return false;
        },
        opzioni);
    anteprima.File = lettura.File();
    return anteprima;
}

std::size_t EsportaContatti(TTableFile& rubrica, const std::filesystem::path& file, char separatore,
                            const std::unordered_set<long long>* soli) {
    const auto colonne = ColonneContatto(rubrica);
    TScritturaEsportazione scrittura(file, separatore);
    // A vCard carries each contact's register entry, so reading the file
    // back brings the register too. The register lies at the data root, the
    // year folder's parent.
    std::optional<TRegistroContatti> registro;
    const std::filesystem::path percorsoRegistro =
        PercorsoRegistroContatti(rubrica.Path().parent_path().parent_path());
    std::error_code errore;
    if (scrittura.VCard() && std::filesystem::exists(percorsoRegistro, errore))
        registro.emplace(percorsoRegistro);
    std::optional<TVoceRegistro> voce;
    auto righe = rubrica.OrderedRows(NomeColonna(TCampo::Ragione_Sociale), false);
    long long id = 0;
    std::vector<TFieldValue> valori;
    TContatto contatto;
    while (righe->Next(id, &valori)) {
        if (soli && !soli->count(id)) continue;
        for (TCampo campo : TuttiCampi) {
            TFieldValue& valore = valori[colonne[static_cast<std::size_t>(campo)]];
            if (valore)
                contatto[campo].swap(*valore);
            else
                contatto[campo].clear();
        }
        if (registro && !contatto[TCampo::EMail].empty())
            voce = registro->Leggi(contatto[TCampo::EMail]);
        else
            voce.reset();
        scrittura.Aggiungi(contatto, voce ? &*voce : nullptr);
    }
    scrittura.Chiudi();
    return scrittura.Scritti();
}

std::string TestoEsportati(std::size_t quanti, const std::filesystem::path& file) {
    if (quanti == 1) return "Esportato 1 contatto in " + file.string();
    return "Esportati " + std::to_string(quanti) + " contatti in " + file.string();
}

std::string NonInviarePiu(const std::optional<std::string>& email) {
    if (!email || email->empty()) return "Il contatto corrente non ha un indirizzo e-mail.";
    TNonInviare elenco(PercorsoNonInviareConfigurato());
    return elenco.Aggiungi(*email) ? *email + " non riceverà più messaggi."
                                   : *email + " era già nell'elenco non inviare.";
}

}  // namespace brivano
