#pragma once
// The do-not-mail list: addresses that never receive a message, whatever the
// year. One SQLite file at the data root, shared by every year folder.
// Addresses match in their normal form (ChiaveIndirizzo): "Anna
// <anna@example.it>", "<ANNA@example.it>" and "anna@example.it." are one.

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "basedati/BaseDati.h"
#include "workflow/StatoVoce.h"

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
    std::string Motivo;   // why ("rimbalzo 5.1.1 …", "richiesta del destinatario"); may be empty
    std::string Prova;    // the Message-ID of the report or request that asked for it
    std::string Normale;  // as compared
};

struct TEsitoAggiunta {
    int Aggiunti = 0;
    int GiaPresenti = 0;
    // The lines already on the list, as given (trimmed).
    std::vector<std::string> Presenti;
};

class TRegistroContatti;

class TNonInviare {
  public:
    // Opens the list, creating the file when missing. Raises ENonInviare.
    explicit TNonInviare(const std::filesystem::path& percorso);
    ~TNonInviare();
    TNonInviare(const TNonInviare&) = delete;
    TNonInviare& operator=(const TNonInviare&) = delete;

    // True when added, false when it was already there; a blank address adds
    // nothing. An added address gets today as its opposition date in the
    // contact register beside the list.
    bool Aggiungi(std::string_view indirizzo);
    // The same, keeping why and the message that proves it.
    bool Aggiungi(std::string_view indirizzo, std::string_view motivo, std::string_view prova);
    // One address per line (pasted text, replies): blank lines are ignored.
    TEsitoAggiunta AggiungiTesto(std::string_view righe);
    // True when removed: every row of that address.
    bool Togli(std::string_view indirizzo);
    bool Contiene(std::string_view indirizzo) const;

    // Every entry, ordered by address.
    std::vector<TVoceNonInviare> Elenco() const;
    // Entries whose address (as given or as compared) contains the text,
    // without regard to case or accents.
    std::vector<TVoceNonInviare> Cerca(std::string_view testo) const;
    // One address per line.
    std::string Testo() const;

  private:
    void SegnaOpposizione(std::string_view indirizzo);

    TBaseDati db_;
    std::unique_ptr<TRegistroContatti> registro_;  // opened at the first addition
};

class TRegistroInvii;

// Per entry of a picked list, why it stays out (Nessuno: it goes): an
// address of it is on the do-not-mail list in any form, the same address is
// earlier in the list, or, given the journal and each entry's Impronta, the
// address already got that message (TRegistroInvii::GiaServiti).
std::vector<TMotivoEsclusione> Esclusioni(const std::vector<std::string>& voci,
                                          const TNonInviare* nonInviare,
                                          const TRegistroInvii* registro = nullptr,
                                          const std::vector<std::string>& impronte = {});

}  // namespace brivano
