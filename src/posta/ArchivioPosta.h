#pragma once
// What the checks of the sender's mailbox keep at the data root, in one
// SQLite file: where each mailbox's last check stopped (UIDVALIDITY and last
// UID), every message acted on and what was done, and the soft bounces
// counted per address.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "basedati/BaseDati.h"

namespace brivano {

inline constexpr const char* FileArchivioPosta = "Posta.sqlite";

struct TPuntoControllo {
    std::uint32_t UidValidity = 0;
    std::uint32_t UltimoUid = 0;
};

// One message acted on, one line per address.
struct TRegistrazionePosta {
    std::int64_t Id = 0;
    std::string Quando;           // UTC, "AAAA-MM-GG hh:mm:ss"
    std::string Tipo;             // NomeTipoPosta
    std::string Indirizzo;        // empty for an automatic reply
    std::int64_t Spedizione = 0;  // the run it refers to, 0 when none was found
    std::int64_t Posizione = -1;  // the journal entry marked, -1 when none
    std::string Codice;           // "5.1.1", "550"
    std::string Diagnosi;
    std::string MessageId;       // of the report or request
    std::string Fatto;           // what the check did, in words
    bool MessoInElenco = false;  // this action put the address on the list
    bool Annullata = false;
};

class TArchivioPosta {
  public:
    explicit TArchivioPosta(const std::filesystem::path& file);

    static std::filesystem::path Percorso(const std::filesystem::path& radiceDati);

    // `casella` names the account and mailbox ("host:porta utente INBOX").
    std::optional<TPuntoControllo> Punto(const std::string& casella) const;
    void SalvaPunto(const std::string& casella, const TPuntoControllo& punto);

    std::int64_t Registra(const TRegistrazionePosta& voce);
    // Newest first.
    std::vector<TRegistrazionePosta> Registrazioni() const;
    std::optional<TRegistrazionePosta> Registrazione(std::int64_t id) const;
    void SegnaAnnullata(std::int64_t id);
    // Whether a report or request was already acted on (a check cut short
    // before its messages were moved sees them again).
    bool GiaRegistrato(const std::string& messageId, const std::string& indirizzo) const;

    // Soft bounces of an address in distinct runs since the last reset;
    // returns the count after this one (a run counts once).
    int ContaTemporaneo(const std::string& indirizzo, std::int64_t spedizione);
    void AzzeraTemporanei(const std::string& indirizzo);

  private:
    TBaseDati db_;
};

}  // namespace brivano
