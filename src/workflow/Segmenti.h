#pragma once
// Saved segments: a filter over the contacts (text, tag, type, city, legal
// basis, no message for some months) kept under a name in the contact
// register's file, so every start and every year finds it; and the review
// list of contacts kept for promotions without a message for 24 months.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "basedati/BaseDati.h"
#include "workflow/Contatto.h"
#include "workflow/RegistroContatti.h"
#include "workflow/ScambioRegistro.h"

namespace brivano {

struct TSegmento {
    std::string Nome;
    std::string Testo;      // found in any searched field, as in the address book
    std::string Etichetta;  // a tag of the contact's register entry
    std::string Tipo;       // the contact's type, whole, without case or accents
    std::string Citta;      // likewise
    std::optional<TBaseGiuridica> Base;
    int MesiSenzaInvio = 0;  // no message taken for that many months; 0: any

    // "Testo: bar; etichetta: fiera; mai scritto da 6 mesi".
    std::string Descrizione() const;
};

// The day `mesi` months before `oggi` ("AAAA-MM-GG"), the day kept within
// the month.
std::string MesiPrima(const std::string& oggi, int mesi);

// Who matches, by position in `contatti`. `invii` tells the last message per
// address; `oggi` is "AAAA-MM-GG".
std::vector<std::size_t> ContattiDelSegmento(const TSegmento& segmento,
                                             const std::vector<TContatto>& contatti,
                                             const TRegistroContatti& registro,
                                             const TInviiPerIndirizzo& invii,
                                             const std::string& oggi);

// The months without a message after which a promotional basis is reviewed.
inline constexpr int MesiConservazione = 24;
// Entries whose basis allows promotions and that got no message (or, never
// written, were collected) more than MesiConservazione months ago. Listed
// for the user to review; the program deletes nothing.
std::vector<TVoceRegistro> DaRivedere(const TRegistroContatti& registro,
                                      const TInviiPerIndirizzo& invii, const std::string& oggi);

// The names of the segments saved at the configuration's data root; none
// when the register is not kept there.
std::vector<std::string> NomiSegmentiSalvati();
// The contacts of the saved segment `nome`, with the register and the
// journal of the configuration's data root, by position in `contatti`.
// Raises ERegistroContatti for a name no segment has.
std::vector<std::size_t> ContattiDelSegmentoSalvato(const std::string& nome,
                                                    const std::vector<TContatto>& contatti);

class TSegmenti {
  public:
    // The segments kept in the register's file. Raises ERegistroContatti.
    explicit TSegmenti(const std::filesystem::path& registro);
    ~TSegmenti();
    TSegmenti(const TSegmenti&) = delete;
    TSegmenti& operator=(const TSegmenti&) = delete;

    // Replaces the segment of that name; raises for a blank name.
    void Salva(const TSegmento& segmento);
    bool Togli(const std::string& nome);
    std::optional<TSegmento> Leggi(const std::string& nome) const;
    // By name.
    std::vector<TSegmento> Elenco() const;

  private:
    TBaseDati db_;
};

}  // namespace brivano
