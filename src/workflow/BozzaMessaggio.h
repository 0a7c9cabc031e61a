#pragma once
// The message being written in the mailing window, kept in a file at the data
// root so that a restart finds it as it was left: the picked recipients with
// their contacts' fields, the subject, the eight lines and the attachments. The window saves
// it whenever it changes; the end of a run settles the list and the user may
// empty anything, so the file always holds what the window shows. The kind of
// run (service or promotional) stays with the contact register, which keeps
// it per draft by its subject.

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "workflow/Allegati.h"
#include "workflow/VistaInvio.h"

class TMessageBoxes;

namespace brivano {

struct TBozzaMessaggio {
    std::vector<TVoceElenco> Voci;
    std::string Oggetto;
    std::array<std::string, 8> Righe;
    TSceltaAllegati Allegati;

    bool Vuota() const;
    bool operator==(const TBozzaMessaggio&) const = default;
};

// The file name at the data root.
inline constexpr const char* FileBozza = "BozzaMessaggio.json";
std::filesystem::path PercorsoBozza(const std::filesystem::path& radiceDati);
// The draft of the configuration's data root; raises when it names none.
std::filesystem::path PercorsoBozzaConfigurato();

// Replaces the file in one step (a temporary file, flushed, renamed into
// place), so a failed write leaves the previous draft whole; an empty draft
// removes the file. Raises std::runtime_error with the reason.
void SalvaBozza(const std::filesystem::path& percorso, const TBozzaMessaggio& bozza);

struct TBozzaLetta {
    TBozzaMessaggio Bozza;
    // Why the file could not be used, in Italian; empty when it was read (or
    // there is none).
    std::string Errore;
    // Where a damaged file was put aside, so that nothing in it is lost and
    // the next save does not overwrite it; empty when it was not.
    std::filesystem::path Accantonato;
};

// Reads the draft; a missing file is an empty draft. A damaged one is
// renamed beside it with ".danneggiata-" and the time, and an empty draft
// comes back with the reason.
TBozzaLetta CaricaBozza(const std::filesystem::path& percorso);

// A window's keeping of its draft: read once at the first showing, written
// only when it changed; a failure is told once in a box (again only after a
// save has worked), never at every keystroke.
class TBozzaSalvata {
  public:
    explicit TBozzaSalvata(TMessageBoxes& boxes, std::function<std::filesystem::path()> percorso =
                                                     PercorsoBozzaConfigurato);

    // The saved draft the first time, nothing after (or when there is none
    // or it could not be read, told in a box).
    std::optional<TBozzaMessaggio> Riprendi();
    void Salva(const TBozzaMessaggio& bozza);

  private:
    TMessageBoxes& boxes_;
    std::function<std::filesystem::path()> percorso_;
    bool letta_ = false;
    std::optional<TBozzaMessaggio> salvata_;
    bool erroreDetto_ = false;
    // The file could not be read nor put aside: it stays as it is.
    bool bloccata_ = false;
};

}  // namespace brivano
