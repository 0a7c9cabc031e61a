#include "workflow/Importazione.h"

#include <deque>
#include <set>
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

TEsitoImportazione ImportaContatti(TTableFile& tabella, const std::vector<TRigaImportata>& righe,
                                   TDuplicati duplicati,
                                   const std::function<void(std::size_t fatte)>& avanzamento) {
    const auto colonne = ColonneContatto(tabella);
    const std::size_t numeroColonne = tabella.Columns().size();
    TWriteBatch batch(tabella);

    // Contacts already in the table, or written by this import, by address;
    // their values are held in `tenuti` or in the import's own rows, never
    // copied per row.
    TIndirizziVisti perIndirizzo;
    using TVoce = TIndirizziVisti::TVoce;
    std::set<std::array<std::string, NumeroCampi>> senzaIndirizzo;
    std::deque<TContatto> tenuti;  // stable addresses for perIndirizzo
    std::string spazio;
    {
        auto esistenti = tabella.OrderedRows("", false);
        long long id = 0;
        std::vector<TFieldValue> valori;
        while (esistenti->Next(id, &valori)) {
            TContatto c = ContattoDaRiga(valori, colonne);
            const std::string_view chiave = TIndirizziVisti::Chiave(c[TCampo::EMail], spazio);
            if (chiave.empty()) {
                senzaIndirizzo.insert(std::move(c.Valori));
            } else if (!perIndirizzo.Trova(chiave)) {
                tenuti.push_back(std::move(c));
                // The contact moved: its e-mail, when it was the key, did too.
                const std::string_view tenuta =
                    chiave.data() == spazio.data() ? chiave
                                                   : std::string_view(tenuti.back()[TCampo::EMail]);
                perIndirizzo.Aggiungi(tenuta, spazio, TVoce{id, &tenuti.back(), false});
            }
        }
    }
    perIndirizzo.Prevedi(righe.size());

    // New rows wait in `lotto` (values reused from one batch to the next) and
    // are written together; their entries in perIndirizzo get ids then.
    std::vector<std::vector<TFieldValue>> lotto(kRigheLotto,
                                                std::vector<TFieldValue>(numeroColonne));
    std::vector<TVoce*> attese;
    std::vector<long long> ids(kRigheLotto);
    auto scrivi = [&] {
        if (attese.empty()) return;
        tabella.InsertRows(lotto.data(), attese.size(), ids.data());
        for (std::size_t k = 0; k < attese.size(); ++k) {
            if (!attese[k]) continue;
            attese[k]->Id = ids[k];
            attese[k]->InAttesa = false;
        }
        attese.clear();
    };

    TEsitoImportazione esito;
    std::vector<TFieldValue> valori(numeroColonne);  // an updated row's values, reused
    for (std::size_t i = 0; i < righe.size(); ++i) {
        const TRigaImportata& riga = righe[i];
        const std::string_view chiave =
            TIndirizziVisti::Chiave(riga.Contatto[TCampo::EMail], spazio);
        TVoce* esistente = chiave.empty() ? nullptr : perIndirizzo.Trova(chiave);
        const TContatto* nuovo = &riga.Contatto;
        TContatto unito;
        if (esistente && duplicati == TDuplicati::Aggiorna) {
            // Fields the file does not give keep their value.
            unito = riga.Contatto;
            for (TCampo campo : TuttiCampi)
                if (!riga.Presenti[static_cast<std::size_t>(campo)])
                    unito[campo] = (*esistente->Contatto)[campo];
            nuovo = &unito;
        }
        std::string motivo = riga.Errore;
        if (motivo.empty() && SenzaValori(*nuovo)) motivo = "nessun valore";
        if (motivo.empty()) motivo = TroppoLungo(tabella, colonne, *nuovo);

        if (!motivo.empty()) {
            esito.Scartate.push_back({riga.Riga, motivo});
        } else if (esistente) {
            if (duplicati == TDuplicati::Salta) {
                ++esito.Duplicati;
            } else {
                if (esistente->InAttesa) scrivi();
                RiempiRiga(*nuovo, colonne, valori);
                tabella.Update(esistente->Id, valori);
                tenuti.push_back(std::move(unito));
                esistente->Contatto = &tenuti.back();
                ++esito.Aggiornati;
            }
        } else if (chiave.empty() && senzaIndirizzo.count(nuovo->Valori)) {
            ++esito.Duplicati;
        } else {
            RiempiRiga(*nuovo, colonne, lotto[attese.size()]);
            if (chiave.empty()) {
                senzaIndirizzo.insert(nuovo->Valori);
                attese.push_back(nullptr);
            } else {
                attese.push_back(perIndirizzo.Aggiungi(chiave, spazio, TVoce{0, nuovo, true}));
            }
            if (attese.size() == kRigheLotto) scrivi();
            ++esito.Aggiunti;
        }
        if (avanzamento) avanzamento(i + 1);
    }
    scrivi();
    batch.Keep();
    return esito;
}

std::string TestoEsitoImportazione(const TEsitoImportazione& esito) {
    std::string testo = "Contatti aggiunti: " + std::to_string(esito.Aggiunti) +
                        "\rContatti aggiornati: " + std::to_string(esito.Aggiornati) +
                        "\rGià presenti, lasciati com'erano: " + std::to_string(esito.Duplicati) +
                        "\rRighe scartate: " + std::to_string(esito.Scartate.size());
    for (const TRigaScartata& s : esito.Scartate)
        testo += "\rriga " + std::to_string(s.Riga) + ": " + s.Motivo;
    return testo;
}

}  // namespace brivano
