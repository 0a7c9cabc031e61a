#include "workflow/TestiRicerca.h"

#include <strings.h>

#include <algorithm>

#include "archive/TableFile.h"
#include "workflow/FormaIndirizzo.h"
#include "workflow/Piegatura.h"
#include "workflow/RegistroContatti.h"

namespace brivano {

namespace {

struct TFermato {};

// Columns searched, in the order their text is kept.
constexpr const char* kCampi[] = {"Ragione_Sociale", "Tipo", "Citta", "Cap", "EMail"};

// Room for a typical row's folded fields, so the text grows in few steps.
constexpr std::size_t kByteRiga = 80;

}  // namespace

void TTestiRicerca::Aggiungi(long long id, const std::vector<std::string_view>& campi) {
    righe_.push_back({id, testo_.size()});
    for (std::string_view campo : campi) {
        const std::size_t inizio = testo_.size();
        AggiungiPiegato(testo_, campo);
        for (std::size_t i = inizio; i < testo_.size(); ++i)
            if (testo_[i] == kSeparatore) testo_[i] = ' ';
        testo_ += kSeparatore;
    }
}

std::optional<TTestiRicerca> TTestiRicerca::Leggi(const std::filesystem::path& tabella,
                                                  const std::atomic<bool>* fermo) {
    auto file = TTableFile::Open(tabella);
    std::vector<std::size_t> colonne;
    const auto& nomi = file->ColumnNames();
    for (const char* nome : kCampi)
        for (std::size_t c = 0; c < nomi.size(); ++c)
            if (strcasecmp(nomi[c].c_str(), nome) == 0) colonne.push_back(c);
    // The contact register's texts (business fields, contact person, tags,
    // source, basis) join each contact's, by its e-mail. The register lies at
    // the data root, the year folder's parent; the configuration is not read
    // here, as this may run on a thread of its own.
    const auto registro = TestiRegistroPerRicerca(tabella.parent_path().parent_path());
    const auto email = std::find_if(colonne.begin(), colonne.end(), [&](std::size_t c) {
        return strcasecmp(nomi[c].c_str(), "EMail") == 0;
    });
    const std::size_t postoEmail = static_cast<std::size_t>(email - colonne.begin());
    std::vector<std::string_view> campi;
    TTestiRicerca t;
    const std::size_t righe = file->RowCount();
    t.righe_.reserve(righe);
    t.testo_.reserve(righe * kByteRiga);
    try {
        file->EachRow(colonne, [&](long long id, const std::vector<std::string_view>& valori) {
            if (fermo && fermo->load(std::memory_order_relaxed)) throw TFermato{};
            std::string_view resto = registro.Vuoto() || postoEmail >= valori.size()
                                         ? std::string_view()
                                         : registro.Trova(ChiaveIndirizzo(valori[postoEmail]));
            if (resto.empty()) {
                t.Aggiungi(id, valori);
                return;
            }
            campi.assign(valori.begin(), valori.end());
            for (std::size_t fine = resto.find('\0'); fine != std::string_view::npos;
                 fine = resto.find('\0')) {
                campi.push_back(resto.substr(0, fine));
                resto.remove_prefix(fine + 1);
            }
            t.Aggiungi(id, campi);
        });
    } catch (const TFermato&) {
        return std::nullopt;
    }
    return t;
}

long TTestiRicerca::Indice(long long id) const {
    if (righe_.empty()) return -1;
    // Ids mostly run without gaps: the place the id has then comes first.
    auto it = righe_.begin() + std::clamp<long long>(id - righe_.front().id, 0,
                                                     static_cast<long long>(righe_.size()) - 1);
    if (it->id != id)
        it = std::lower_bound(righe_.begin(), righe_.end(), id,
                              [](const TDove& d, long long cerca) { return d.id < cerca; });
    if (it == righe_.end() || it->id != id) return -1;
    return static_cast<long>(it - righe_.begin());
}

TTestiRicerca::TTratto TTestiRicerca::Riga(std::size_t indice) const {
    const std::size_t fine = indice + 1 < righe_.size() ? righe_[indice + 1].inizio : testo_.size();
    return {righe_[indice].inizio, fine - righe_[indice].inizio};
}

}  // namespace brivano
