#include "workflow/Importazione.h"

#include <string_view>

#include "archive/TableFile.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/IndirizziVisti.h"
#include "workflow/Piegatura.h"

namespace brivano {

namespace {

// New rows are written this many at a time.
constexpr std::size_t kRigheLotto = 256;

// The reason a value does not fit its column, or empty. Characters are
// counted only when the bytes alone exceed the size: a character is at least
// one byte.
std::string TroppoLungo(const TTableFile& tabella,
                        const std::array<std::size_t, NumeroCampi>& colonne,
                        const TContatto& contatto) {
    for (TCampo campo : TuttiCampi) {
        const TColumnDef& colonna = tabella.Columns()[colonne[static_cast<std::size_t>(campo)]];
        if (colonna.kind != TColumnKind::Char) continue;
        const auto massimo = static_cast<std::size_t>(colonna.size);
        if (contatto[campo].size() <= massimo) continue;
        const std::size_t n = Caratteri(contatto[campo]);
        if (n > massimo)
            return std::string(NomeCampo(campo)) + " di " + std::to_string(n) +
                   " caratteri, al massimo " + std::to_string(colonna.size);
    }
    return {};
}

bool SenzaValori(const TContatto& contatto) {
    for (const std::string& v : contatto.Valori)
        if (!v.empty()) return false;
    return true;
}

}  // namespace

TEsitoImportazione ImportaContatti(TTableFile& tabella,
                                   const std::function<bool(TRigaImportata& riga)>& prossima,
                                   const TOpzioniImportazione& opzioni) {
    const auto colonne = ColonneContatto(tabella);
    const std::size_t numeroColonne = tabella.Columns().size();
    const bool aggiorna = opzioni.Duplicati == TDuplicati::Aggiorna;
    std::optional<TWriteBatch> batch;
    if (!opzioni.Prova) batch.emplace(tabella);

    // Contacts already in the table, and those this import adds, by the hash
    // of their address (or of all their values when they have none).
    using TVoce = TIndirizziVisti::TVoce;
    TIndirizziVisti visti(opzioni.IndirizziInMemoria);
    std::string spazio;
    {
        auto esistenti = tabella.OrderedRows("", false);
        long long id = 0;
        std::vector<TFieldValue> valori;
        while (esistenti->Next(id, &valori)) {
            const TContatto c = ContattoDaRiga(valori, colonne);
            const std::string_view chiave = TIndirizziVisti::Chiave(c[TCampo::EMail], spazio);
            visti.Aggiungi(
                chiave.empty() ? TIndirizziVisti::HashValori(c) : TIndirizziVisti::Hash(chiave),
                TVoce{id, 0, false});
            visti.Riduci();
        }
    }

    // New rows wait in `lotto` (values reused from one batch to the next) and
    // are written together; their entries in `visti` get ids then.
    std::vector<std::vector<TFieldValue>> lotto(kRigheLotto,
                                                std::vector<TFieldValue>(numeroColonne));
    std::vector<TVoce*> attese;
    std::vector<long long> ids(kRigheLotto);
    std::size_t inLotto = 0;
    auto scrivi = [&] {
        if (inLotto == 0) return;
        tabella.InsertRows(lotto.data(), inLotto, ids.data());
        for (std::size_t k = 0; k < inLotto; ++k) {
            if (!attese[k]) continue;
            attese[k]->Id = ids[k];
            attese[k]->InAttesa = false;
        }
        attese.clear();
        inLotto = 0;
    };
    // A hash match confirmed against the row itself, which `trovato` then
    // holds. A row not yet written is written first; when nothing is written
    // the hash alone decides.
    TContatto trovato;
    std::string spazioTrovato;
    auto confermata = [&](TVoce& voce, const TContatto& cercato, std::string_view chiave) {
        if (voce.InAttesa) {
            if (opzioni.Prova) {
                trovato = {};
                return true;
            }
            scrivi();
        }
        const auto righe = tabella.Rows(&voce.Id, 1);
        trovato = ContattoDaRiga(righe.front(), colonne);
        if (chiave.empty()) return trovato.StessiValori(cercato);
        return TIndirizziVisti::Chiave(trovato[TCampo::EMail], spazioTrovato) == chiave;
    };

    TEsitoImportazione esito;
    std::vector<TFieldValue> valori(numeroColonne);  // an updated row's values, reused
    TRigaImportata riga;
    TContatto unito;
    std::size_t fatte = 0;
    while (prossima(riga)) {
        // No entry is held by address between batches.
        if (attese.empty()) visti.Riduci();
        const std::string_view chiave =
            TIndirizziVisti::Chiave(riga.Contatto[TCampo::EMail], spazio);
        const std::uint64_t hash = chiave.empty() ? TIndirizziVisti::HashValori(riga.Contatto)
                                                  : TIndirizziVisti::Hash(chiave);
        TVoce* esistente = chiave.empty() ? nullptr : visti.Trova(hash, [&](TVoce& v) {
            return confermata(v, riga.Contatto, chiave);
        });
        const TContatto* nuovo = &riga.Contatto;
        if (esistente && aggiorna) {
            // Fields the file does not give keep their value.
            unito = riga.Contatto;
            for (TCampo campo : TuttiCampi)
                if (!riga.Presenti[static_cast<std::size_t>(campo)]) unito[campo] = trovato[campo];
            nuovo = &unito;
        }
        std::string motivo = riga.Errore;
        if (motivo.empty() && SenzaValori(*nuovo)) motivo = "nessun valore";
        if (motivo.empty()) motivo = TroppoLungo(tabella, colonne, *nuovo);

        TEsitoRiga marca = TEsitoRiga::Nuovo;
        if (!motivo.empty()) {
            marca = TEsitoRiga::Scartato;
            if (++esito.RigheScartate <= kRigheElencate)
                esito.Scartate.push_back({riga.Riga, motivo});
        } else if (esistente) {
            if (esistente->Riga != 0 && ++esito.RigheDoppie <= kRigheElencate)
                esito.DoppiNelFile.push_back(
                    {riga.Riga, esistente->Riga, aggiorna ? riga.Riga : esistente->Riga});
            if (!aggiorna) {
                marca = TEsitoRiga::GiaPresente;
                ++esito.Duplicati;
            } else {
                marca = TEsitoRiga::Aggiorna;
                if (!opzioni.Prova) {
                    if (esistente->InAttesa) scrivi();
                    RiempiRiga(*nuovo, colonne, valori);
                    tabella.Update(esistente->Id, valori);
                }
                esistente->Riga = riga.Riga;
                ++esito.Aggiornati;
            }
        } else if (chiave.empty() && visti.Trova(hash, [&](TVoce& v) {
                       return confermata(v, riga.Contatto, chiave);
                   })) {
            marca = TEsitoRiga::GiaPresente;
            ++esito.Duplicati;
        } else {
            TVoce* voce = visti.Aggiungi(hash, TVoce{0, riga.Riga, true});
            if (!opzioni.Prova) {
                RiempiRiga(*nuovo, colonne, lotto[inLotto++]);
                attese.push_back(voce);
                if (inLotto == kRigheLotto) scrivi();
            }
            ++esito.Aggiunti;
        }
        if (opzioni.PerRiga) opzioni.PerRiga(riga, marca, motivo);
        if (opzioni.Avanzamento) opzioni.Avanzamento(++fatte);
    }
    if (batch) {
        scrivi();
        batch->Keep();
    }
    return esito;
}

TEsitoImportazione ImportaContatti(TTableFile& tabella, const std::vector<TRigaImportata>& righe,
                                   TDuplicati duplicati,
                                   const std::function<void(std::size_t fatte)>& avanzamento) {
    std::size_t i = 0;
    TOpzioniImportazione opzioni;
    opzioni.Duplicati = duplicati;
    opzioni.Avanzamento = avanzamento;
    return ImportaContatti(
        tabella,
        [&](TRigaImportata& riga) {
            if (i == righe.size()) return false;
            riga = righe[i++];
            return true;
        },
        opzioni);
}

std::string TestoEsitoImportazione(const TEsitoImportazione& esito) {
    std::string testo = "Contatti aggiunti: " + std::to_string(esito.Aggiunti) +
                        "\rContatti aggiornati: " + std::to_string(esito.Aggiornati) +
                        "\rGià presenti, lasciati com'erano: " + std::to_string(esito.Duplicati) +
                        "\rRighe scartate: " + std::to_string(esito.RigheScartate);
    for (const TRigaScartata& s : esito.Scartate)
        testo += "\rriga " + std::to_string(s.Riga) + ": " + s.Motivo;
    if (const std::size_t altre =
            static_cast<std::size_t>(esito.RigheScartate) - esito.Scartate.size())
        testo += "\r… e altre " + std::to_string(altre) + " righe scartate";
    for (const TDoppioNelFile& d : esito.DoppiNelFile)
        testo += "\rriga " + std::to_string(d.Riga) + ": stessa e-mail della riga " +
                 std::to_string(d.Prima) + ", vale la riga " + std::to_string(d.Vale);
    if (const std::size_t altre =
            static_cast<std::size_t>(esito.RigheDoppie) - esito.DoppiNelFile.size())
        testo += "\r… e altre " + std::to_string(altre) +
                 " righe con la stessa e-mail di una riga precedente";
    if (!esito.CodificheMiste.empty()) testo += "\rCodifica: " + esito.CodificheMiste;
    return testo;
}

std::string TestoEsitoRiga(TEsitoRiga esito, const std::string& motivo) {
    switch (esito) {
        case TEsitoRiga::Nuovo:
            return "nuovo";
        case TEsitoRiga::Aggiorna:
            return "aggiorna";
        case TEsitoRiga::GiaPresente:
            return "già presente";
        case TEsitoRiga::Scartato:
            break;
    }
    return "scartato: " + motivo;
}

}  // namespace brivano
