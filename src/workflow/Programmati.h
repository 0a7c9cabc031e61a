#pragma once
// Runs to send later, in the send journal's file: the texts, files, entries
// and fields of a run with the time it is due. A due run is claimed by one
// process at a time in one transaction, so two starters (the open program,
// the timer's brivano-invio) never both send it; once it started, the
// journal's own run (and its lease) takes over, so a run whose process died
// is resumed like any unfinished one.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "basedati/BaseDati.h"
#include "dialogs/MessageBoxes.h"
#include "workflow/CampiUnione.h"
#include "workflow/TipiInvio.h"

namespace brivano {

enum class TStatoProgrammato { InAttesa, Avviato, Annullato };

// "in attesa", "avviato", "annullato".
const char* NomeStatoProgrammato(TStatoProgrammato stato);

using TIstante = std::chrono::system_clock::time_point;

struct TProgrammato {
    std::int64_t Id = 0;
    TIstante Alle;
    TStatoProgrammato Stato = TStatoProgrammato::InAttesa;
    // The journal's run once started; 0 before.
    std::int64_t Spedizione = 0;
    // Host, sender, subject, lines and files; no password (the keyring's at
    // the start).
    TDatiInvio Testi;
    std::vector<std::string> Voci;
    std::vector<TCampiContatto> Campi;
};

class TProgrammati {
  public:
    // `registro`: the journal's file, already opened (and checked) as one.
    explicit TProgrammati(const std::filesystem::path& registro);

    std::int64_t Aggiungi(const TDatiInvio& testi, const std::vector<std::string>& voci,
                          const std::vector<TCampiContatto>& campi, TIstante alle);
    // Newest first, without entries and fields.
    std::vector<TProgrammato> Elenco() const;
    std::optional<TProgrammato> Leggi(std::int64_t id) const;
    // Only a run still waiting; false otherwise.
    bool Annulla(std::int64_t id);
    // A waiting run becomes due now.
    bool Anticipa(std::int64_t id, TIstante adesso);

    // Waiting runs due by `adesso`, oldest due first.
    std::vector<std::int64_t> Dovuti(TIstante adesso) const;
    // Claims a waiting, due run for this process (PID and host kept): true
    // for exactly one claimer.
    bool Prendi(std::int64_t id, TIstante adesso);
    // The journal's run the claimed run became.
    void Avviato(std::int64_t id, std::int64_t spedizione);
    // A claim whose process on this host is gone before its journal run was
    // recorded goes back to waiting; returns how many.
    int RecuperaAbbandonati();

  private:
    mutable TBaseDati db_;
};

// Stores a run to go at `alle` (no password: the keyring's at the start) and
// says so; refused, told through `boxes`, when the time has passed, there is
// no entry, or a text or the files' pattern names an unknown field. The
// stored run's number, or nothing.
std::optional<std::int64_t> ProgrammaInvio(TMessageBoxes& boxes,
                                           const std::filesystem::path& registro,
                                           const TDatiInvio& testi,
                                           const std::vector<std::string>& voci,
                                           const std::vector<TCampiContatto>& campi, TIstante alle,
                                           TIstante adesso);

// "2026-12-24 09:30" (local time) as an instant; nullopt when not such a
// date, or when that local time does not exist.
std::optional<TIstante> IstanteDaTesto(const std::string& testo);
// The instant as local "YYYY-MM-DD HH:MM".
std::string TestoIstante(TIstante istante);

}  // namespace brivano
