#pragma once
// What the "Storico Invii" window shows of the journal, as rows of texts: the
// runs, newest first, with their counts per state, and the entries of one
// run. The window only puts these texts into its tables.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "workflow/RegistroInvii.h"

namespace brivano {

// The journal's file at the configured data root (PathDatiGen); none when no
// data root is set.
std::optional<std::filesystem::path> PercorsoRegistroConfigurato();

struct TRigaStorico {
    std::int64_t Spedizione = 0;
    std::vector<std::string> Celle;  // one per column; times in local time
    // A run: entries left to send or uncertain ("Riprendi"), failed ones
    // ("Reinvia ai falliti").
    bool DaRiprendere = false;
    bool ConFalliti = false;
};

class TStoricoInvii {
  public:
    // Reads the journal at `file`; a file not there yet is a journal without
    // runs (nothing is created by looking).
    explicit TStoricoInvii(std::filesystem::path file);
    ~TStoricoInvii();

    static const std::vector<std::string>& ColonneSpedizioni();
    static const std::vector<std::string>& ColonneVoci();

    // Newest first. Raises ERegistroInvii when the journal cannot be read.
    std::vector<TRigaStorico> Spedizioni();
    // The entries of one run in list order. An entry "in corso" of any run
    // but `spedizioneAttiva` (the one the mailing window is sending) was left
    // so by a stop or a crash: it is shown as uncertain.
    std::vector<TRigaStorico> Voci(std::int64_t spedizione, std::int64_t spedizioneAttiva = 0);

    // One run, or every run when none is given, as CSV.
    void EsportaCsv(std::optional<std::int64_t> spedizione, const std::filesystem::path& file);
    // The file name a save box offers for that export.
    static std::string NomeFileCsv(std::optional<std::int64_t> spedizione);

  private:
    // Null while the file does not exist.
    TRegistroInvii* Registro();

    std::filesystem::path file_;
    std::unique_ptr<TRegistroInvii> registro_;
};

// The state as the history shows it: "in corso (incerto)" for an entry left
// "in corso" by a run no longer under way, else the journal's name.
std::string TestoStato(TStatoVoce stato, bool runAttivo);

}  // namespace brivano
