#include "workflow/Importazione.h"

#include <deque>
#include <set>
#include <unordered_map>

#include "archive/TableFile.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/Piegatura.h"

namespace brivano {

namespace {

// A contact already in the table, or written by this import: its row and its
// values (held in `tenuti` or in the import's own rows, never copied per row).
struct TEsistente {
    long long id;
    const TContatto* contatto;
};

// The reason a value does not fit its column, or empty.
std::string TroppoLungo(const TTableFile& tabella,
                        const std::array<std::size_t, NumeroCampi>& colonne,
                        const TContatto& contatto) {
    for (TCampo campo : TuttiCampi) {
        const TColumnDef& colonna = tabella.Columns()[colonne[static_cast<std::size_t>(campo)]];
        if (colonna.kind != TColumnKind::Char) continue;
        const std::size_t n = Caratteri(contatto[campo]);
        if (n > static_cast<std::size_t>(colonna.size))
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

    std::unordered_map<std::string, TEsistente> perIndirizzo;
    std::set<std::array<std::string, NumeroCampi>> senzaIndirizzo;
    std::deque<TContatto> tenuti;  // stable addresses for perIndirizzo
    {
        auto esistenti = tabella.OrderedRows("", false);
        long long id = 0;
        std::vector<TFieldValue> valori;
        while (esistenti->Next(id, &valori)) {
            TContatto c = ContattoDaRiga(valori, colonne);
            std::string chiave = NormalizzaIndirizzo(c[TCampo::EMail]);
            if (chiave.empty()) {
                senzaIndirizzo.insert(std::move(c.Valori));
            } else if (!perIndirizzo.count(chiave)) {
                tenuti.push_back(std::move(c));
                perIndirizzo.emplace(std::move(chiave), TEsistente{id, &tenuti.back()});
            }
        }
    }
    perIndirizzo.reserve(perIndirizzo.size() + righe.size());

    TEsitoImportazione esito;
    for (std::size_t i = 0; i < righe.size(); ++i) {
        const TRigaImportata& riga = righe[i];
        std::string chiave = NormalizzaIndirizzo(riga.Contatto[TCampo::EMail]);
        auto esistente = chiave.empty() ? perIndirizzo.end() : perIndirizzo.find(chiave);
        const TContatto* nuovo = &riga.Contatto;
        TContatto unito;
        if (esistente != perIndirizzo.end() && duplicati == TDuplicati::Aggiorna) {
            // Fields the file does not give keep their value.
            unito = riga.Contatto;
            for (TCampo campo : TuttiCampi)
                if (!riga.Presenti[static_cast<std::size_t>(campo)])
                    unito[campo] = (*esistente->second.contatto)[campo];
            nuovo = &unito;
        }
        std::string motivo = riga.Errore;
        if (motivo.empty() && SenzaValori(*nuovo)) motivo = "nessun valore";
        if (motivo.empty()) motivo = TroppoLungo(tabella, colonne, *nuovo);

        if (!motivo.empty()) {
            esito.Scartate.push_back({riga.Riga, motivo});
        } else if (esistente != perIndirizzo.end()) {
            if (duplicati == TDuplicati::Salta) {
                ++esito.Duplicati;
            } else {
                tabella.Update(esistente->second.id,
                               RigaDaContatto(*nuovo, numeroColonne, colonne));
                tenuti.push_back(std::move(unito));
                esistente->second.contatto = &tenuti.back();
                ++esito.Aggiornati;
            }
        } else if (chiave.empty() && senzaIndirizzo.count(nuovo->Valori)) {
            ++esito.Duplicati;
        } else {
            const long long id = tabella.Insert(RigaDaContatto(*nuovo, numeroColonne, colonne));
            if (chiave.empty())
                senzaIndirizzo.insert(nuovo->Valori);
            else
                perIndirizzo.emplace(std::move(chiave), TEsistente{id, nuovo});
            ++esito.Aggiunti;
        }
        if (avanzamento) avanzamento(i + 1);
    }
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
