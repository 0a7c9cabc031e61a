#include "workflow/Importazione.h"

#include <deque>
#include <set>
#include <string_view>
#include <unordered_map>

#include "archive/TableFile.h"
#include "text/Testo.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/Piegatura.h"

namespace brivano {

namespace {

// A contact already in the table, or written by this import: its row and its
// values (held in `tenuti` or in the import's own rows, never copied per row).
struct TEsistente {
    long long id;
    const TContatto* contatto;
    bool inAttesa = false;  // added by this import, not yet written: no id yet
};

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

// Whether an address already reads as NormalizzaIndirizzo makes it (plain
// ASCII, no capitals, nothing to trim), as most do: it is then its own key.
bool GiaNormalizzato(std::string_view indirizzo) {
    if (Trim(indirizzo).size() != indirizzo.size()) return false;
    for (const char c : indirizzo)
        if (static_cast<unsigned char>(c) >= 0x80 || (c >= 'A' && c <= 'Z')) return false;
    return true;
}

// The addresses already seen, by normalised address. A key views the
// contact's own e-mail when that is already normalised, else a copy kept in
// `chiavi`; both live as long as the import.
class TIndirizzi {
  public:
    using TMappa = std::unordered_map<std::string_view, TEsistente>;

    // The key of an address; `spazio` holds it when it is not the address itself.
    static std::string_view Chiave(const std::string& indirizzo, std::string& spazio) {
        if (GiaNormalizzato(indirizzo)) return indirizzo;
        spazio = NormalizzaIndirizzo(indirizzo);
        return spazio;
    }
    // A key that lives as long as the map, from one given by Chiave.
    std::string_view Tieni(std::string_view chiave, std::string& spazio) {
        if (spazio.empty() || chiave.data() != spazio.data()) return chiave;
        chiavi_.push_back(std::move(spazio));
        return chiavi_.back();
    }
    TMappa& Mappa() { return mappa_; }

  private:
    TMappa mappa_;
    std::deque<std::string> chiavi_;
};

}  // namespace

TEsitoImportazione ImportaContatti(TTableFile& tabella, const std::vector<TRigaImportata>& righe,
                                   TDuplicati duplicati,
                                   const std::function<void(std::size_t fatte)>& avanzamento) {
    const auto colonne = ColonneContatto(tabella);
    const std::size_t numeroColonne = tabella.Columns().size();
    TWriteBatch batch(tabella);

    TIndirizzi indirizzi;
    auto& perIndirizzo = indirizzi.Mappa();
    std::set<std::array<std::string, NumeroCampi>> senzaIndirizzo;
    std::deque<TContatto> tenuti;  // stable addresses for perIndirizzo
    std::string spazio;
    {
        auto esistenti = tabella.OrderedRows("", false);
        long long id = 0;
        std::vector<TFieldValue> valori;
        while (esistenti->Next(id, &valori)) {
            TContatto c = ContattoDaRiga(valori, colonne);
            const std::string_view chiave = TIndirizzi::Chiave(c[TCampo::EMail], spazio);
            if (chiave.empty()) {
                senzaIndirizzo.insert(std::move(c.Valori));
            } else if (!perIndirizzo.count(chiave)) {
                tenuti.push_back(std::move(c));
                // The contact moved: its e-mail, when it was the key, did too.
                const std::string_view tenuta =
                    chiave.data() == spazio.data() ? indirizzi.Tieni(chiave, spazio)
                                                   : std::string_view(tenuti.back()[TCampo::EMail]);
                perIndirizzo.emplace(tenuta, TEsistente{id, &tenuti.back()});
            }
        }
    }
    perIndirizzo.reserve(perIndirizzo.size() + righe.size());

    // New rows wait in `lotto` (values reused from one batch to the next) and
    // are written together; their entries in perIndirizzo get ids then.
    std::vector<std::vector<TFieldValue>> lotto(kRigheLotto,
                                                std::vector<TFieldValue>(numeroColonne));
    std::vector<TEsistente*> attese;
    std::vector<long long> ids(kRigheLotto);
    auto scrivi = [&] {
        if (attese.empty()) return;
        tabella.InsertRows(lotto.data(), attese.size(), ids.data());
        for (std::size_t k = 0; k < attese.size(); ++k) {
            if (!attese[k]) continue;
            attese[k]->id = ids[k];
            attese[k]->inAttesa = false;
        }
        attese.clear();
    };

    TEsitoImportazione esito;
    std::vector<TFieldValue> valori(numeroColonne);  // an updated row's values, reused
    for (std::size_t i = 0; i < righe.size(); ++i) {
        const TRigaImportata& riga = righe[i];
        const std::string_view chiave = TIndirizzi::Chiave(riga.Contatto[TCampo::EMail], spazio);
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
                if (esistente->second.inAttesa) scrivi();
                RiempiRiga(*nuovo, colonne, valori);
                tabella.Update(esistente->second.id, valori);
                tenuti.push_back(std::move(unito));
                esistente->second.contatto = &tenuti.back();
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
                attese.push_back(
                    &perIndirizzo
                         .emplace(indirizzi.Tieni(chiave, spazio), TEsistente{0, nuovo, true})
                         .first->second);
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
