#pragma once
// The files a run sends: some common to every message, others per recipient,
// named by a pattern with merge fields ("fatture/{{Ragione_Sociale}}.pdf").
// Before the first connection each entry's files are read once: a missing or
// unreadable file, a pattern that would leave its folder, or a message over
// the account's size leaves the entry out with its reason.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mailing/Allegato.h"
#include "workflow/CampiUnione.h"

namespace brivano {

// What the user chose: paths of common files, the per-recipient pattern
// (empty: none) and the folder a relative path is taken from (empty: the
// current one).
struct TSceltaAllegati {
    std::vector<std::string> Comuni;
    std::string Modello;
    std::string Cartella;
    bool Vuota() const { return Comuni.empty() && Modello.empty(); }
    bool operator==(const TSceltaAllegati&) const = default;
};

inline constexpr std::uintmax_t MegaByte = std::uintmax_t{1024} * 1024;
// Above this a message still goes, but the user is told (many servers refuse
// it or the reader's mailbox fills).
inline constexpr std::uintmax_t SogliaAvvisoAllegati = 10 * MegaByte;
inline constexpr int DimensioneMassimaPredefinitaMB = 20;

// One file as checked: where it is, the name the reader sees, its size and
// its SHA-256 (hex), which the journal keeps.
struct TFileAllegato {
    std::filesystem::path Percorso;
    std::string Nome;
    std::uintmax_t Dimensione = 0;
    std::string Sha256;
    bool operator==(const TFileAllegato&) const = default;
};

// One entry's files: its reason to be left out (empty: it may go), and
// whether its message is above the warning size.
struct TAllegatiVoce {
    std::vector<TFileAllegato> File;
    std::string Motivo;
    std::uintmax_t DimensioneMessaggio = 0;
    bool Grande = false;
};

// The file of the pattern for one contact; empty with `motivo` set when a
// value would name another folder (a "/" or "..") or is empty.
std::filesystem::path PercorsoDaModello(const std::string& modello, const TCampiContatto& campi,
                                        const std::filesystem::path& cartella, std::string& motivo);

// The SHA-256 of the bytes, 64 lower-case hex digits.
std::string ImprontaSha256(std::string_view bytes);

// The media type of the bytes by their content ("application/pdf");
// "application/octet-stream" when nothing is recognised.
std::string TipoMediaDi(std::string_view bytes);

// Each entry's files, reasons and sizes. `dimensioneTesto` is the size of the
// message without files; `massimo` the account's limit in bytes. Raises
// ECampoSconosciuto when the pattern names an unknown field.
std::vector<TAllegatiVoce> ControllaAllegati(const TSceltaAllegati& scelta,
                                             const std::vector<TCampiContatto>& campi,
                                             std::size_t voci, std::uintmax_t dimensioneTesto,
                                             std::uintmax_t massimo);

// The files of a resend compared with those the journal kept for the entry:
// a sentence naming each that changed, went or came; empty when the same.
std::string FileCambiati(const std::vector<TFileAllegato>& prima,
                         const std::vector<TFileAllegato>& ora);

// Reads the checked files into a message's attachments; a file that cannot
// be read again or no longer has its SHA-256 gets no content, so the message
// is refused before it leaves. The common files are read once and kept.
class TCaricaAllegati {
  public:
    explicit TCaricaAllegati(std::size_t comuni = 0) : comuni_(comuni) {}
    // `file` begins with the run's common files (as many as given above).
    std::vector<TAllegato> Carica(const std::vector<TFileAllegato>& file);

  private:
    std::size_t comuni_;
    std::mutex mutex_;
    std::vector<TAllegato> letti_;
};

}  // namespace brivano
