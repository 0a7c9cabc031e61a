#pragma once
// Search as you type over the contact list: the rows whose company, type,
// city, postal code or e-mail contain the typed text, without regard to case
// or accents, in the list's own order. Every row is folded once when loaded,
// into one text, so a keystroke costs one plain substring search through it;
// a text that extends the previous one searches only the rows that matched.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/TestiRicerca.h"

class TRowCursor;

namespace brivano {

class TFiltroContatti {
  public:
    // The searched fields of one row: company, type, city, postal code, e-mail.
    using TCampiRicerca = std::array<std::string, 5>;

    void Carica(const std::vector<TCampiRicerca>& righe);
    // Every row of an open data set (the contact list), read now.
    void Carica(const TRowCursor& elenco);
    // The rows of the given ids, in this order, from texts read before.
    void Carica(const std::vector<long long>& ordine, TTestiRicerca testi);
    void Svuota();

    std::size_t Righe() const { return righe_.size(); }

    // 0-based positions of the matching rows, in order; every row for an
    // empty (or blank) text.
    const std::vector<int>& Filtra(std::string_view testo);

  private:
    // Every row holding the text, by a search through all of them.
    std::vector<int> Cerca(std::string_view ago) const;

    TTestiRicerca testi_;
    std::vector<TTestiRicerca::TTratto> righe_;  // each row's text, in list order
    std::vector<int> posizioni_;                 // list position of each row of testi_, or -1
    std::string ultimoAgo_;
    std::vector<int> ultime_;
    bool valide_ = false;  // ultime_ belongs to ultimoAgo_
};

}  // namespace brivano
