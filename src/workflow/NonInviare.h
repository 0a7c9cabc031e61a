#pragma once
// The do-not-mail list: addresses that never receive a message, whatever the
// year. One SQLite file at the data root, shared by every year folder.
// Addresses match after trimming and without regard to letter case.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "basedati/BaseDati.h"

namespace brivano {

class ENonInviare : public EBaseDati {
  public:
    using EBaseDati::EBaseDati;
    explicit ENonInviare(const EBaseDati& errore) : EBaseDati(errore) {}
};

// The file name at the data root.
inline constexpr const char* FileNonInviare = "NonInviare.db";

// Where the list of a data root (PathDatiGen, ending in "/") lies.
std::filesystem::path PercorsoNonInviare(const std::string& pathDatiGen);
// The same for the data root of the configuration; raises ENonInviare when
// the configuration names none.
std::filesystem::path PercorsoNonInviareConfigurato();

struct TVoceNonInviare {
    std::string Indirizzo;  // as first given, trimmed
    std::string Aggiunto;   // when, "AAAA-MM-GG hh:mm:ss" UTC
    std::string Motivo;  // why ("rimbalzo 5.1.1 …", "richiesta del destinatario"); may be empty
    std::string Prova;   // the Message-ID of the report or request that asked for it
};

struct TEsitoAggiunta {
    int Aggiunti = 0;
    int GiaPresenti = 0;
};

class TNonInviare {
  public:
    // Opens the list, creating the file when missing. Raises ENonInviare.
    explicit TNonInviare(const std::filesystem::path& percorso);
    ~TNonInviare();
    TNonInviare(const TNonInviare&) = delete;
    TNonInviare& operator=(const TNonInviare&) = delete;

    // True when added, false when it was already there; a blank address adds nothing.
    bool Aggiungi(std::string_view indirizzo);
    // The same, keeping why and the message that proves it.
    bool Aggiungi(std::string_view indirizzo, std::string_view motivo, std::string_view prova);
    // One address per line (pasted text, replies): blank lines are ignored.
    TEsitoAggiunta AggiungiTesto(std::string_view righe);
    // True when removed.
    bool Togli(std::string_view indirizzo);
    bool Contiene(std::string_view indirizzo) const;

    // Every entry, ordered by address.
    std::vector<TVoceNonInviare> Elenco() const;
    // Entries whose address contains the text, without regard to case or accents.
    std::vector<TVoceNonInviare> Cerca(std::string_view testo) const;
    // One address per line.
    std::string Testo() const;

  private:
    TBaseDati db_;
};

}  // namespace brivano
