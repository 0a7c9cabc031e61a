#pragma once
// The searched fields of every row of a contact table (company, type, city,
// postal code, e-mail), folded for search and kept by row id. They are read
// over a connection of their own, so a large list can have them made on
// another thread while it is on screen.

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivano {

class TTestiRicerca {
  public:
    // Separates fields so a match never spans two of them; no folded field
    // holds it.
    static constexpr char kSeparatore = '\x1F';

    // Where a row's text lies in Testo().
    struct TTratto {
        std::size_t inizio = 0, lunghezza = 0;
    };

    // Reads the table file; nullopt when `fermo` was set meanwhile. Raises
    // when the file cannot be read.
    static std::optional<TTestiRicerca> Leggi(const std::filesystem::path& tabella,
                                              const std::atomic<bool>* fermo = nullptr);

    // Adds a row; ids come in ascending order.
    void Aggiungi(long long id, const std::vector<std::string_view>& campi);

    // Every row's folded fields, each field closed by the separator, row
    // after row by ascending id.
    const std::string& Testo() const { return testo_; }
    std::size_t Righe() const { return righe_.size(); }
    // The place of a row among them, or -1 for a row that was not in the file.
    long Indice(long long id) const;
    TTratto Riga(std::size_t indice) const;

  private:
    struct TDove {
        long long id;
        std::size_t inizio;
    };
    std::string testo_;
    std::vector<TDove> righe_;  // by ascending id
};

}  // namespace brivano
