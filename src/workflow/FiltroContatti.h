#pragma once
// Search as you type over the contact list: the rows whose company, type,
// city, postal code or e-mail contain the typed text, without regard to case
// or accents, in the list's own order. Every row is folded once when loaded,
// so a keystroke costs one plain substring search per row; a text that
// extends the previous one searches only the rows that matched it.

#include <array>
#include <string>
#include <string_view>
#include <vector>

class TRowCursor;

namespace brivano {

class TFiltroContatti {
  public:
    // The searched fields of one row: company, type, city, postal code, e-mail.
    using TCampiRicerca = std::array<std::string, 5>;

    void Carica(const std::vector<TCampiRicerca>& righe);
    // Reads every row of an open data set (the contact list).
    void Carica(const TRowCursor& elenco);
    void Svuota();

    std::size_t Righe() const { return inizi_.size(); }

    // 0-based positions of the matching rows, in order; every row for an
    // empty (or blank) text.
    const std::vector<int>& Filtra(std::string_view testo);

  private:
    std::string testi_;               // folded fields of all rows, each row closed by '\n'
    std::vector<std::size_t> inizi_;  // where each row starts in testi_
    std::string ultimoAgo_;
    std::vector<int> ultime_;
    bool valide_ = false;  // ultime_ belongs to ultimoAgo_
};

}  // namespace brivano
