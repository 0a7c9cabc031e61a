#include "workflow/FiltroContatti.h"

#include <numeric>
#include <utility>

#include "archive/RowCursor.h"
#include "text/Testo.h"
#include "workflow/Piegatura.h"

namespace brivano {

void TFiltroContatti::Svuota() {
    testi_ = {};
    righe_.clear();
    ultime_.clear();
    ultimoAgo_.clear();
    valide_ = false;
}

void TFiltroContatti::Carica(const std::vector<TCampiRicerca>& righe) {
    TTestiRicerca testi;
    std::vector<long long> ordine;
    for (const TCampiRicerca& riga : righe) {
        ordine.push_back(static_cast<long long>(ordine.size()) + 1);
        testi.Aggiungi(ordine.back(), std::vector<std::string_view>(riga.begin(), riga.end()));
    }
    Carica(ordine, std::move(testi));
}

void TFiltroContatti::Carica(const TRowCursor& elenco) {
    Svuota();
    if (!elenco.Active()) return;
    Carica(elenco.RowIds(), *TTestiRicerca::Leggi(elenco.FilePath()));
}

void TFiltroContatti::Carica(const std::vector<long long>& ordine, TTestiRicerca testi) {
    Svuota();
    testi_ = std::move(testi);
    righe_.reserve(ordine.size());
    // A row gone from the file since the list was read has no text.
    for (long long id : ordine) righe_.push_back(testi_.Riga(id));
}

const std::vector<int>& TFiltroContatti::Filtra(std::string_view testo) {
    std::string ago = Piega(Trim(testo));
    for (char& c : ago)
        if (c == TTestiRicerca::kSeparatore) c = ' ';
    const bool restringe = valide_ && ago.find(ultimoAgo_) != std::string::npos;
    const std::string_view tutto = testi_.Testo();
    std::vector<int> trovate;
    auto prova = [&](int r) {
        const TTestiRicerca::TTratto& t = righe_[static_cast<std::size_t>(r)];
        if (tutto.substr(t.inizio, t.lunghezza).find(ago) != std::string_view::npos)
            trovate.push_back(r);
    };
    if (ago.empty()) {
        trovate.resize(righe_.size());
        std::iota(trovate.begin(), trovate.end(), 0);
    } else if (restringe) {
        for (int r : ultime_) prova(r);
    } else {
        for (std::size_t r = 0; r < righe_.size(); ++r) prova(static_cast<int>(r));
    }
    ultime_ = std::move(trovate);
    ultimoAgo_ = ago;
    valide_ = true;
    return ultime_;
}

}  // namespace brivano
