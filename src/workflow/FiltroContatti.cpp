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
    posizioni_.clear();
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
    posizioni_.assign(testi_.Righe(), -1);
    for (long long id : ordine) {
        const long indice = testi_.Indice(id);
        // A row gone from the file since the list was read has no text.
        if (indice < 0) {
            righe_.push_back({});
            continue;
        }
        posizioni_[static_cast<std::size_t>(indice)] = static_cast<int>(righe_.size());
        righe_.push_back(testi_.Riga(static_cast<std::size_t>(indice)));
    }
}

std::vector<int> TFiltroContatti::Cerca(std::string_view ago) const {
    // Straight through the whole text; each match marks its row's list
    // position and the search goes on from the next row.
    const std::string_view tutto = testi_.Testo();
    std::vector<char> segnate(righe_.size(), 0);
    std::size_t riga = 0;
    for (std::size_t da = 0; (da = tutto.find(ago, da)) != std::string_view::npos;) {
        while (riga + 1 < testi_.Righe() && testi_.Riga(riga + 1).inizio <= da) ++riga;
        if (const int p = posizioni_[riga]; p >= 0) segnate[static_cast<std::size_t>(p)] = 1;
        const TTestiRicerca::TTratto t = testi_.Riga(riga);
        da = t.inizio + t.lunghezza;
    }
    std::vector<int> trovate;
    for (std::size_t r = 0; r < segnate.size(); ++r)
        if (segnate[r]) trovate.push_back(static_cast<int>(r));
    return trovate;
}

const std::vector<int>& TFiltroContatti::Filtra(std::string_view testo) {
    std::string ago = Piega(Trim(testo));
    for (char& c : ago)
        if (c == TTestiRicerca::kSeparatore) c = ' ';
    const bool restringe = valide_ && ago.find(ultimoAgo_) != std::string::npos;
    std::vector<int> trovate;
    if (ago.empty()) {
        trovate.resize(righe_.size());
        std::iota(trovate.begin(), trovate.end(), 0);
    } else if (restringe) {
        const std::string_view tutto = testi_.Testo();
        for (int r : ultime_) {
            const TTestiRicerca::TTratto& t = righe_[static_cast<std::size_t>(r)];
            if (tutto.substr(t.inizio, t.lunghezza).find(ago) != std::string_view::npos)
                trovate.push_back(r);
        }
    } else {
        trovate = Cerca(ago);
    }
    ultime_ = std::move(trovate);
    ultimoAgo_ = ago;
    valide_ = true;
    return ultime_;
}

}  // namespace brivano
