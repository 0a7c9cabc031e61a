#pragma once
// The contact register: what a business needs to show for each address it
// writes to (legal basis, where and when the address was collected, which
// notice the person saw, when they objected) and its Italian business
// identifiers. One SQLite file at the data root, so it spans every year, keyed
// by the address in its normal form (ChiaveIndirizzo); the address table of a
// year stays as it is.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "basedati/BaseDati.h"

namespace brivano {

class ERegistroContatti : public EBaseDati {
  public:
    using EBaseDati::EBaseDati;
    explicit ERegistroContatti(const EBaseDati& errore) : EBaseDati(errore) {}
};

enum class TBaseGiuridica { Nessuna, Consenso, Cliente, Contratto };

// The texts the user sees: "Consenso", "Cliente — prodotti analoghi (art. 130
// c.4)", "Contratto / servizio", "Nessuna".
const char* NomeBase(TBaseGiuridica base);
// The short word kept in files: "consenso", "cliente", "contratto", "nessuna".
const char* CodiceBase(TBaseGiuridica base);
// A basis from its name, its short word or the first word of its name, in
// any case and with or without accents; nullopt for anything else.
std::optional<TBaseGiuridica> BaseDaTesto(std::string_view testo);
// Promotions may go only on consent or to customers about similar products.
bool AmmettePromozioni(TBaseGiuridica base);

// What a run is: promotions need consent or the customer exception.
enum class TTipoInvio { Servizio, Promozionale };
// "Comunicazione di servizio", "Promozionale".
const char* NomeTipoInvio(TTipoInvio tipo);

struct TVoceRegistro {
    TVoceRegistro() = default;
    explicit TVoceRegistro(std::string indirizzo) : Indirizzo(std::move(indirizzo)) {}

    std::string Indirizzo;  // as given, trimmed
    TBaseGiuridica Base = TBaseGiuridica::Nessuna;
    std::string Fonte;         // "modulo sito", "fattura n. 12", "fiera …"
    std::string DataRaccolta;  // "AAAA-MM-GG"
    std::string Informativa;   // version of the notice the person saw
    std::string DataOpposizione;
    std::vector<std::string> Etichette;
    std::string PartitaIva;
    std::string CodiceFiscale;
    std::string Pec;
    std::string CodiceSdi;
    std::string Referente;
    std::string Telefono;
    std::string Aggiornata;  // UTC, set by the register
};

// The basis a run used for one of its entries: the proof kept per entry.
struct TBaseVoce {
    std::size_t Posizione = 0;  // in the run's list
    std::string Indirizzo;
    TTipoInvio Tipo = TTipoInvio::Servizio;
    TBaseGiuridica Base = TBaseGiuridica::Nessuna;
    std::string DataRaccolta;
    bool Esclusa = false;  // a promotional run left it out for its basis
};

// A date as "AAAA-MM-GG" from that form or "GG/MM/AAAA" (or with "-" or
// "."); nullopt for anything else, or a day that does not exist.
std::optional<std::string> DataRegistro(std::string_view testo);
// The day of `adesso` in local time, "AAAA-MM-GG": an opposition recorded
// just after midnight belongs to the day the user sees.
std::string OggiRegistro(std::time_t adesso = std::time(nullptr));

// Tags from a text separated by "," or ";", trimmed, without empties or
// repeats (compared without case).
std::vector<std::string> EtichetteDaTesto(std::string_view testo);
std::string TestoEtichette(const std::vector<std::string>& etichette);

// The entry with its identifiers and dates in their one form, or the
// reasons (Italian, one per field) it cannot be kept.
struct TVoceControllata {
    TVoceRegistro Voce;
    std::vector<std::string> Errori;
};
TVoceControllata ControllaVoce(TVoceRegistro voce);

inline constexpr const char* FileRegistroContatti = "RegistroContatti.db";
std::filesystem::path PercorsoRegistroContatti(const std::filesystem::path& radiceDati);
// The register of the configuration's data root; raises when it names none.
std::filesystem::path PercorsoRegistroContattiConfigurato();

// The texts the address book's search finds a contact by, per address key:
// business fields, contact person, tags, source and basis, folded for the
// search and each closed by its separator, ready to follow the contact's own
// texts. All keys and texts lie in two strings, with no string (and no
// allocation) per entry, found through a table of places by hash.
class TTestiRegistro {
  public:
    void Aggiungi(std::string_view chiave, std::string_view testi);
    // Indexes the entries by key (unique in the register), for Trova; once,
    // after the last Aggiungi.
    void Indicizza();
    // The texts of the entry with this key; empty when there is none.
    std::string_view Trova(std::string_view chiave) const;
    bool Vuoto() const { return voci_.empty(); }

  private:
    struct TVoce {
        std::size_t chiave, lunghezzaChiave, testi, lunghezzaTesti;
    };
    std::string_view Chiave(const TVoce& v) const {
        return {chiavi_.data() + v.chiave, v.lunghezzaChiave};
    }
    std::string chiavi_, testi_;
    std::vector<TVoce> voci_;
    // Open addressing by the key's hash, at most half full: an entry's place
    // in voci_ plus one, 0 where free.
    std::vector<std::uint32_t> posti_;
};
// Those of the register at the data root `radice`. Empty when no register is
// kept there or it cannot be read, or when `fermo` was set meanwhile.
TTestiRegistro TestiRegistroPerRicerca(const std::filesystem::path& radice,
                                       const std::atomic<bool>* fermo = nullptr);

class TRegistroContatti {
  public:
    // Opens the register, creating the file when missing. Raises ERegistroContatti.
    explicit TRegistroContatti(const std::filesystem::path& percorso);
    ~TRegistroContatti();
    TRegistroContatti(const TRegistroContatti&) = delete;
    TRegistroContatti& operator=(const TRegistroContatti&) = delete;

    std::optional<TVoceRegistro> Leggi(std::string_view indirizzo) const;
    // Keeps the entry, replacing the one of the same address; raises
    // ERegistroContatti listing every field in error, keeping nothing.
    void Scrivi(const TVoceRegistro& voce);
    // Every entry or, when one is in error, none.
    void ScriviTutte(const std::vector<TVoceRegistro>& voci);
    bool Togli(std::string_view indirizzo);
    // The address went on the do-not-mail list: the first such date stays.
    void SegnaOpposizione(std::string_view indirizzo, const std::string& data);

    // Ordered by address.
    std::vector<TVoceRegistro> Elenco() const;
    // As TestiRegistroPerRicerca gives them.
    TTestiRegistro TestiPerRicerca(const std::atomic<bool>* fermo = nullptr) const;
    // Each tag with how many entries bear it, by name.
    std::vector<std::pair<std::string, int>> Etichette() const;
    // Whether any entry has a basis: the register is kept.
    bool ConBasi() const;

    // The kind of run a message draft (named by its subject) was declared.
    std::optional<TTipoInvio> TipoBozza(const std::string& oggetto) const;
    void RicordaTipo(const std::string& oggetto, TTipoInvio tipo);
    // The warning about a draft's footer is given once.
    bool AvvisoPiePaginaDato(const std::string& oggetto) const;
    void SegnaAvvisoPiePagina(const std::string& oggetto);

    // The basis each entry of a journal's run was sent (or left out) on.
    void RegistraBasi(std::int64_t spedizione, const std::vector<TBaseVoce>& basi);
    std::vector<TBaseVoce> BasiSpedizione(std::int64_t spedizione) const;

  private:
    TBaseDati db_;
};

}  // namespace brivano
