#include "workflow/TestiRicerca.h"

#include <strings.h>

#include <algorithm>
#include <system_error>
#include <utility>

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

TLetturaTestiRegistro::TLetturaTestiRegistro(std::filesystem::path radice)
    : radice_(std::move(radice)),
      testi_(std::make_unique<TTestiRegistro>()),
      filo_([this] { *testi_ = TestiRegistroPerRicerca(radice_, &basta_); }) {}

TLetturaTestiRegistro::~TLetturaTestiRegistro() {
    basta_ = true;
    if (filo_.joinable()) filo_.join();
}

const TTestiRegistro& TLetturaTestiRegistro::Testi() {
    if (filo_.joinable()) filo_.join();
    return *testi_;
}

void TTestiRicerca::AggiungiCampo(std::string& testo, std::string_view campo) {
    const std::size_t inizio = testo.size();
    AggiungiPiegato(testo, campo);
    for (std::size_t i = inizio; i < testo.size(); ++i)
        if (testo[i] == kSeparatore) testo[i] = ' ';
    testo += kSeparatore;
}

void TTestiRicerca::Aggiungi(long long id, const std::vector<std::string_view>& campi) {
    righe_.push_back({id, testo_.size()});
    for (std::string_view campo : campi) AggiungiCampo(testo_, campo);
}

std::optional<TTestiRicerca> TTestiRicerca::Leggi(const std::filesystem::path& tabella,
                                                  const std::atomic<bool>* fermo,
                                                  std::unique_ptr<TLetturaTestiRegistro> registro) {
    auto file = TTableFile::Open(tabella);
    std::vector<std::size_t> colonne;
    const auto& nomi = file->ColumnNames();
    for (const char* nome : kCampi)
        for (std::size_t c = 0; c < nomi.size(); ++c)
            if (strcasecmp(nomi[c].c_str(), nome) == 0) colonne.push_back(c);
    const auto email = std::find_if(colonne.begin(), colonne.end(), [&](std::size_t c) {
        return strcasecmp(nomi[c].c_str(), "EMail") == 0;
    });
    const std::size_t postoEmail = static_cast<std::size_t>(email - colonne.begin());
    // The contact register's texts (business fields, contact person, tags,
    // source, basis) join each contact's, by its e-mail. The register lies at
    // the data root, the year folder's parent; the configuration is not read
    // here, as this may run on a thread of its own.
    const std::filesystem::path radice = tabella.parent_path().parent_path();
    std::error_code errore;
    if (registro && !std::filesystem::equivalent(registro->Radice(), radice, errore))
        registro.reset();
    if (email == colonne.end() ||
        !std::filesystem::exists(PercorsoRegistroContatti(radice), errore))
        registro.reset();
    else if (!registro)
        registro = std::make_unique<TLetturaTestiRegistro>(radice);
    // Each row's address key, as `inizi` marks them, for the join.
    std::string chiavi;
    std::vector<std::size_t> inizi;
    TTestiRicerca t;
    const std::size_t righe = file->RowCount();
    t.righe_.reserve(righe);
    t.testo_.reserve(righe * kByteRiga);
    if (registro) inizi.reserve(righe + 1);
    try {
        file->EachRow(colonne, [&](long long id, const std::vector<std::string_view>& valori) {
            if (fermo && fermo->load(std::memory_order_relaxed)) throw TFermato{};
            t.Aggiungi(id, valori);
            if (!registro) return;
            inizi.push_back(chiavi.size());
            if (postoEmail < valori.size()) chiavi += ChiaveIndirizzo(valori[postoEmail]);
        });
    } catch (const TFermato&) {
        return std::nullopt;
    }
    if (!registro || registro->Testi().Vuoto()) return t;
    inizi.push_back(chiavi.size());
    return t.ConRegistro(chiavi, inizi, registro->Testi());
}

TTestiRicerca TTestiRicerca::ConRegistro(const std::string& chiavi,
                                         const std::vector<std::size_t>& inizi,
                                         const TTestiRegistro& registro) const {
    // The joined text is measured first, so it is made in one allocation.
    std::vector<std::string_view> aggiunte(righe_.size());
    std::size_t lunghezza = testo_.size();
    for (std::size_t r = 0; r < righe_.size(); ++r) {
        aggiunte[r] =
            registro.Trova(std::string_view(chiavi).substr(inizi[r], inizi[r + 1] - inizi[r]));
        lunghezza += aggiunte[r].size();
    }
    TTestiRicerca unite;
    unite.righe_.reserve(righe_.size());
    unite.testo_.reserve(lunghezza);
    for (std::size_t r = 0; r < righe_.size(); ++r) {
        const TTratto tratto = Riga(r);
        unite.righe_.push_back({righe_[r].id, unite.testo_.size()});
        unite.testo_.append(testo_, tratto.inizio, tratto.lunghezza);
        unite.testo_ += aggiunte[r];
    }
    return unite;
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
