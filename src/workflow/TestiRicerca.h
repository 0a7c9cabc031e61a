#pragma once
// The searched fields of every row of a contact table (company, type, city,
// postal code, e-mail), with the texts of the contact register for the row's
// address, folded for search and kept by row id. They are read over a
// connection of their own, so a large list can have them made on another
// thread while it is on screen; the register is read on one more thread
// while the table is, or while the list itself is read.

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brivano {

class TTestiRegistro;

// The contact register's search texts, read on a thread of their own from
// the register at a data root. Leaving before they are taken stops the
// reading within an entry and waits for it.
class TLetturaTestiRegistro {
  public:
    explicit TLetturaTestiRegistro(std::filesystem::path radice);
    ~TLetturaTestiRegistro();
    TLetturaTestiRegistro(const TLetturaTestiRegistro&) = delete;
    TLetturaTestiRegistro& operator=(const TLetturaTestiRegistro&) = delete;

    const std::filesystem::path& Radice() const { return radice_; }
    // Waits for the whole register; from one thread only.
    const TTestiRegistro& Testi();

  private:
    std::filesystem::path radice_;
    std::atomic<bool> basta_{false};
    std::unique_ptr<TTestiRegistro> testi_;  // written by the thread, read after join
    std::thread filo_;
};

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
    // when the file cannot be read. The register's texts come from `registro`
    // when it reads the table's data root, else from a reading started here.
    static std::optional<TTestiRicerca> Leggi(
        const std::filesystem::path& tabella, const std::atomic<bool>* fermo = nullptr,
        std::unique_ptr<TLetturaTestiRegistro> registro = nullptr);

    // Adds a row; ids come in ascending order.
    void Aggiungi(long long id, const std::vector<std::string_view>& campi);
    // Adds a field to a row's text: folded, closed by the separator.
    static void AggiungiCampo(std::string& testo, std::string_view campo);

    // Every row's folded fields, each field closed by the separator, row
    // after row by ascending id.
    const std::string& Testo() const { return testo_; }
    std::size_t Righe() const { return righe_.size(); }
    // The place of a row among them, or -1 for a row that was not in the file.
    long Indice(long long id) const;
    TTratto Riga(std::size_t indice) const;

  private:
    // These rows, each followed by the register's texts of its e-mail address
    // (`chiavi`: each row's address key, as `inizi` marks them).
    TTestiRicerca ConRegistro(const std::string& chiavi, const std::vector<std::size_t>& inizi,
                              const TTestiRegistro& registro) const;

    struct TDove {
        long long id;
        std::size_t inizio;
    };
    std::string testo_;
    std::vector<TDove> righe_;  // by ascending id
};

}  // namespace brivano
