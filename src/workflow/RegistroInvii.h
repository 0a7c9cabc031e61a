#pragma once
// The journal of send runs: one SQLite file at the data root. Each run keeps
// its account, sender, subject and body lines; each entry its list position,
// text, state, last reply and times. Every change is committed at once, so
// the file tells after a crash who got the mail, who did not and who may
// have (an entry left "in corso").

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "basedati/BaseDati.h"
#include "workflow/CampiUnione.h"
#include "workflow/LimitiInvio.h"
#include "workflow/StatoVoce.h"

namespace brivano {

class ERegistroInvii : public EBaseDati {
  public:
    using EBaseDati::EBaseDati;
    explicit ERegistroInvii(const EBaseDati& errore) : EBaseDati(errore) {}
};

// A connection to the journal's file that writes: write-ahead, every commit
// on disk before the call returns, failures raised as ERegistroInvii. `crea`:
// the file is made when missing.
TOpzioniBaseDati OpzioniRegistroInvii(bool crea);

struct TDatiSpedizione {
    std::string Account;  // host, port and user name
    std::string Mittente;
    std::string Oggetto;
    std::array<std::string, 8> Righe;
};

// What a run's message is, to compare runs by.
struct TImprontaSpedizione {
    // The message as composed (subject, text, merge fields, attachments).
    // Runs with the same one never send it twice to one address (Avvia),
    // unless the user asked to send it again (Reinvio). Empty: no such check.
    std::string Impronta;
    bool Reinvio = false;
    // Each entry's own, in list order, when the merge fields make the
    // messages differ; an entry beyond it has Impronta.
    std::vector<std::string> PerVoce;
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
    TImprontaSpedizione Impronta;
    // Every entry is in a final state (StatoFinale): nothing to resume.
    bool Finita() const { return DaFare == 0 && Incerte == 0; }
};

struct TVoceRegistrata {
    std::size_t Posizione = 0;
    std::string Voce;
    TStatoVoce Stato = TStatoVoce::DaInviare;
    // Why an "escluso" entry was left out.
    TMotivoEsclusione Motivo = TMotivoEsclusione::Nessuno;
    // The address as compared (ChiaveIndirizzo).
    std::string Chiave;
    int Codice = 0;
    std::string Risposta;
    std::string MessageId;
    int Tentativi = 0;
    std::string Aggiornata;
    // The merge fields of the contact that added the entry (none when typed).
    TCampiContatto Campi;
};

// The process that holds a run.
struct TTitolarePresa {
    std::int64_t Pid = 0;
    std::string Host;
    std::int64_t ScadenzaMs = 0;  // the lease, ms since 1970 UTC
    bool Nostra = false;          // held by this journal object
};

// What Avvia decided for an entry.
struct TAvvioVoce {
    bool Via = false;  // "in corso" now: send it
    // When not: why it is left out (Nessuno: it is no longer to send).
    TMotivoEsclusione Motivo = TMotivoEsclusione::Nessuno;
};

// An address that already got a message with an Impronta.
struct TGiaServito {
    std::size_t Indice = 0;  // in the list asked about
    std::int64_t Spedizione = 0;
    std::string Quando;  // UTC, "YYYY-MM-DD HH:MM:SS"
};

class TRegistroInvii {
  public:
    // Opens the journal, creating the file and its tables only when no file
    // is there. A file that is empty, damaged or not a journal is put aside
    // (renamed with the date) and raises ERegistroInvii; so does any later
    // opening while a put-aside journal lies next to it, so no run starts
    // forgetting what was sent. Older journals get the newer columns.
    explicit TRegistroInvii(const std::filesystem::path& file);
    ~TRegistroInvii();
    TRegistroInvii(const TRegistroInvii&) = delete;
    TRegistroInvii& operator=(const TRegistroInvii&) = delete;

    const std::filesystem::path& File() const { return db_.Percorso(); }
    // The journal's file in a data root.
    static std::filesystem::path Percorso(const std::filesystem::path& radiceDati);

    // A new run whose entries are all "da inviare", in list order, each with
    // the merge fields of its contact (`campi` in the same order; shorter or
    // empty: entries without a contact), so a resume fills them again.
    // Entries with a reason in `esclusioni` (same order; shorter: none) start
    // "escluso". The new run is held by this journal (Prendi).
    std::int64_t NuovaSpedizione(const TDatiSpedizione& dati, const std::vector<std::string>& voci,
                                 const std::vector<TCampiContatto>& campi = {},
                                 const std::vector<TMotivoEsclusione>& esclusioni = {},
                                 const TImprontaSpedizione& impronta = {});
    // Moves one entry; raises ERegistroInvii for a move TransizioneAmmessa
    // refuses (nothing changed), and for a move to "in corso" or "da inviare"
    // of a run another live process holds. Going "in corso" counts one more attempt. A
    // Message-ID given replaces the one kept; none given keeps it.
    void Segna(std::int64_t spedizione, std::size_t posizione, TStatoVoce stato, int codice = 0,
               const std::string& risposta = std::string(),
               const std::string& messageId = std::string());

    // Before an entry's message goes out, in one transaction: this journal
    // must hold the run (or nobody alive does), the entry must be still to
    // send, and for a run with an Impronta and no Reinvio its address must
    // not have had that message (in corso, inviato or incerto, in any run of
    // the last GiorniGiaServito days, or earlier in this list). Then it is
    // "in corso" (one more attempt, the Message-ID kept) or "escluso" with
    // the reason.
    TAvvioVoce Avvia(std::int64_t spedizione, std::size_t posizione,
                     const std::string& messageId = std::string());
    // An entry still to send is left out for that reason.
    void Escludi(std::int64_t spedizione, std::size_t posizione, TMotivoEsclusione motivo);
    // The user closes a run: entries still to send become "escluso" (their
    // choice), uncertain ones "incerto"; the run is finished.
    void Chiudi(std::int64_t spedizione);

    // Of `voci`, those whose address got a message with the entry's Impronta
    // (`impronte`, same order; an empty one or none: not asked) in the last
    // `giorni` days ("in corso", "inviato" or "incerto"), each with the
    // newest such message, in list order.
    std::vector<TGiaServito> GiaServiti(const std::vector<std::string>& voci,
                                        const std::vector<std::string>& impronte,
                                        int giorni = GiorniGiaServito) const;
    static constexpr int GiorniGiaServito = 30;

    // One process at a time works a run. Prendi takes it for this journal
    // object, with a lease a thread of the object renews until Rilascia or
    // the object goes; raises ERegistroInvii when another process holds it
    // and is alive with its lease running. A holder whose process is gone
    // (same host) or whose lease ran out is taken over.
    void Prendi(std::int64_t spedizione);
    void Rilascia(std::int64_t spedizione);
    std::optional<TTitolarePresa> Titolare(std::int64_t spedizione) const;
    // The lease; renewed every third of it. 30 s unless set.
    void DurataPresa(std::chrono::milliseconds durata);

    // Shares an account's limits among every process on the journal: when
    // the next message may start, counting every process's starts; nullopt
    // when it may start now, and then that start is counted.
    std::optional<std::chrono::system_clock::time_point> PrenotaTurno(
        const std::string& account, const TLimitiInvio& limiti,
        std::chrono::system_clock::time_point adesso) const;

    // Newest first.
    std::vector<TSpedizioneRegistrata> Spedizioni() const;
    TSpedizioneRegistrata Spedizione(std::int64_t id) const;
    std::vector<TVoceRegistrata> Voci(std::int64_t spedizione) const;
    // The newest run with entries still to send or uncertain; finished runs
    // never. Another live process may hold it (Titolare): Riprendi says so.
    std::optional<std::int64_t> SpedizioneIncompiuta() const;

    // Readies an unfinished run to go on, taking it (Prendi): uncertain
    // entries become "da inviare" when the user ticked them, else "incerto".
    // Returns the positions to send, in order.
    std::vector<std::size_t> Riprendi(std::int64_t spedizione, bool ancheIncerti);
    // Failed entries become "da inviare", the run taken (Prendi); returns
    // their positions, in order.
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
    // With mutex_ held, inside a transaction: raises unless this object
    // holds the run or no live process does; takes it; moves one entry.
    void ControllaPresa(std::int64_t spedizione);
    void PrendiBloccato(std::int64_t spedizione);
    TStatoVoce Sposta(std::int64_t spedizione, std::size_t posizione, TStatoVoce stato, int codice,
                      const std::string& risposta, const std::string& messageId,
                      TMotivoEsclusione motivo);
    void AvviaRinnovo();
    void FermaRinnovo();

    // Readers too go through it; turns are written by a const call.
    mutable TBaseDati db_;
    // The runs of parallel connections share one journal.
    mutable std::mutex mutex_;
    // Runs this object holds, with their tokens.
    std::map<std::int64_t, std::string> prese_;
    std::chrono::milliseconds durataPresa_{30000};
    // The renewing thread, running while any run is held.
    std::mutex vitaRinnovo_;
    std::condition_variable sveglia_;
    bool fermaRinnovo_ = false;
    std::thread rinnovo_;
};

}  // namespace brivano
