#include "workflow/FiltroContatti.h"

#include <numeric>

#include "archive/RowCursor.h"
#include "text/Testo.h"
#include "workflow/Piegatura.h"

namespace brivano {

namespace {

// Separates fields so a match never spans two of them; no folded text holds it.
constexpr char kSeparatore = '\x1F';

}  // namespace

void TFiltroContatti::Svuota() {
    testi_.clear();
    inizi_.clear();
    ultime_.clear();
    ultimoAgo_.clear();
    valide_ = false;
}

void TFiltroContatti::Carica(const std::vector<TCampiRicerca>& righe) {
    Svuota();
    inizi_.reserve(righe.size());
    for (const TCampiRicerca& riga : righe) {
        inizi_.push_back(testi_.size());
        for (const std::string& campo : riga) {
            std::string piegato = Piega(campo);
            for (char& c : piegato)
                if (c == kSeparatore || c == '\n') c = ' ';
            testi_ += piegato;
            testi_ += kSeparatore;
        }
        testi_.back() = '\n';
    }
}

void TFiltroContatti::Carica(const TRowCursor& elenco) {
    std::vector<TCampiRicerca> righe;
    if (elenco.Active()) {
        const std::array<int, 5> campi = {elenco.FieldIndex("Ragione_Sociale"),
                                          elenco.FieldIndex("Tipo"), elenco.FieldIndex("Citta"),
                                          elenco.FieldIndex("Cap"), elenco.FieldIndex("EMail")};
        const int n = elenco.RecordCount();
        righe.resize(static_cast<std::size_t>(n));
        for (int r = 0; r < n; ++r)
            for (std::size_t c = 0; c < campi.size(); ++c)
                if (campi[c] >= 0)
                    righe[static_cast<std::size_t>(r)][c] =
                        elenco.ValueAt(r + 1, campi[c]).value_or("");
    }
    Carica(righe);
}

const std::vector<int>& TFiltroContatti::Filtra(std::string_view testo) {
    std::string ago = Piega(Trim(testo));
    for (char& c : ago)
        if (c == kSeparatore || c == '\n') c = ' ';
    const bool restringe = valide_ && ago.find(ultimoAgo_) != std::string::npos;
    std::vector<int> trovate;
    auto prova = [&](int r) {
        const std::size_t inizio = inizi_[static_cast<std::size_t>(r)];
        const std::size_t fine = static_cast<std::size_t>(r) + 1 < inizi_.size()
                                     ? inizi_[static_cast<std::size_t>(r) + 1]
                                     : testi_.size();
        const std::string_view riga(testi_.data() + inizio, fine - inizio);
        if (riga.find(ago) != std::string_view::npos) trovate.push_back(r);
    };
    if (ago.empty()) {
        trovate.resize(inizi_.size());
        std::iota(trovate.begin(), trovate.end(), 0);
    } else if (restringe) {
        for (int r : ultime_) prova(r);
    } else {
        for (std::size_t r = 0; r < inizi_.size(); ++r) prova(static_cast<int>(r));
    }
    ultime_ = std::move(trovate);
    ultimoAgo_ = ago;
    valide_ = true;
    return ultime_;
}

}  // namespace brivano
