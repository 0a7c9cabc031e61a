#pragma once
// The journal of send runs: one SQLite file at the data root. Each run keeps
// its account, sender, subject and body lines; each entry its list position,
// text, state, last reply and times. Every change is committed at once, so
// the file tells after a crash who got the mail, who did not and who may
// have (an entry left "in corso").

#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "basedati/BaseDati.h"
#include "workflow/CampiUnione.h"
#include "workflow/StatoVoce.h"

namespace brivano {

class ERegistroInvii : public EBaseDati {
  public:
    using EBaseDati::EBaseDati;
    explicit ERegistroInvii(const EBaseDati& errore) : EBaseDati(errore) {}
};

struct TDatiSpedizione {
    std::string Account;  // host, port and user name
    std::string Mittente;
    std::string Oggetto;
    std::array<std::string, 8> Righe;
};

struct TSpedizioneRegistrata {
    std::int64_t Id = 0;
    std::string Creata;  // UTC, "YYYY-MM-DD HH:MM:SS"
    TDatiSpedizione Dati;
    std::size_t Voci = 0;
    std::size_t Inviate = 0;
    std::size_t DaFare = 0;   // "da inviare" or "rinviato"
    std::size_t Incerte = 0;  // "in corso"
    std::size_t Fallite = 0;
    // Entries in each state, indexed by TStatoVoce.
    std::array<std::size_t, NumeroStati> PerStato{};
};

struct TVoceRegistrata {
    std::size_t Posizione = 0;
    std::string Voce;
    TStatoVoce Stato = TStatoVoce::DaInviare;
    int Codice = 0;
    std::string Risposta;
    std::string MessageId;
    int Tentativi = 0;
    std::string Aggiornata;
    // The merge fields of the contact that added the entry (none when typed).
    TCampiContatto Campi;
};

class TRegistroInvii {
  public:
    // Opens the journal, creating the file and its tables when missing.
    explicit TRegistroInvii(const std::filesystem::path& file);
    ~TRegistroInvii();
    TRegistroInvii(const TRegistroInvii&) = delete;
    TRegistroInvii& operator=(const TRegistroInvii&) = delete;

    // The journal's file in a data root.
    static std::filesystem::path Percorso(const std::filesystem::path& radiceDati);

    // A new run whose entries are all "da inviare", in list order, each with
    // the merge fields of its contact (`campi` in the same order; shorter or
    // empty: entries without a contact), so a resume fills them again.
    std::int64_t NuovaSpedizione(const TDatiSpedizione& dati, const std::vector<std::string>& voci,
                                 const std::vector<TCampiContatto>& campi = {});
    // Moves one entry; raises ERegistroInvii for a move TransizioneAmmessa
    // refuses (nothing changed). Going "in corso" counts one more attempt. A
    // Message-ID given replaces the one kept; none given keeps it.
    void Segna(std::int64_t spedizione, std::size_t posizione, TStatoVoce stato, int codice = 0,
               const std::string& risposta = std::string(),
               const std::string& messageId = std::string());

    // Newest first.
    std::vector<TSpedizioneRegistrata> Spedizioni() const;
    TSpedizioneRegistrata Spedizione(std::int64_t id) const;
    std::vector<TVoceRegistrata> Voci(std::int64_t spedizione) const;
    // The newest run with entries still to send or uncertain.
    std::optional<std::int64_t> SpedizioneIncompiuta() const;

    // Readies an unfinished run to go on: uncertain entries become "da
    // inviare" when the user ticked them, else "escluso". Returns the
    // positions to send, in order.
    std::vector<std::size_t> Riprendi(std::int64_t spedizione, bool ancheIncerti);
    // Failed entries become "da inviare"; returns their positions, in order.
    std::vector<std::size_t> ReinviaFalliti(std::int64_t spedizione);

    // When messages of that account were taken since `dal` (seconds since
    // 1970, UTC): entries "inviato", and "in corso" ones the server may have
    // taken. Oldest first, to the second.
    std::vector<std::int64_t> InviiDal(const std::string& account, std::int64_t dal) const;

    // The entries of one run as CSV (RFC 4180), with a header line.
    void EsportaCsv(std::int64_t spedizione, const std::filesystem::path& file) const;
    // The entries of every run, oldest run first, each line led by the run's
    // number, time and subject.
    void EsportaTuttoCsv(const std::filesystem::path& file) const;

  private:
    // Journals written before a column existed get it, empty, when opened.
    void AggiungiColonneMancanti();
    [[noreturn]] void Errore(const std::string& cosa) const;

    TBaseDati db_;
    // The runs of parallel connections share one journal.
    mutable std::mutex mutex_;
};

}  // namespace brivano
