#pragma once
// The send run behind its window: the checks before the first connection,
// merge fields, the do-not-mail list, the journal (a new run, a resume, a
// resend to the failed), pacing, the run's threads, the stop, the notices
// and the results. The window only forwards its events here and shows what
// it is told; a command-line tool or a benchmark drives the same run with
// a view of its own.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "workflow/AccountInvio.h"
#include "workflow/AllegatiCorsa.h"
#include "workflow/CampiUnione.h"
#include "workflow/StatoVoce.h"
#include "workflow/TipiInvio.h"
#include "workflow/VistaInvio.h"

class TIdMessage;
class TIdSMTP;
class TMessageBoxes;

namespace brivano {

// Marks the subject of the message "Invia prova a me" sends.
inline constexpr const char* PrefissoProva = "[PROVA] ";

class TImpostazioniInvio;
class TRegistroInvii;
struct TImprontaSpedizione;
struct TBasiInvio;

// Where a run finds what lies outside its window; by default what the
// configuration names.
struct TFontiInvio {
    // The journal; null: none (nothing recorded). Raises when it cannot open.
    std::function<std::unique_ptr<TRegistroInvii>()> Registro;
    // The do-not-mail list's file; empty: no list. Raises when it cannot be named.
    std::function<std::filesystem::path()> NonInviare;
    std::function<std::vector<std::string>()> PiePagina;
    std::function<bool()> ListUnsubscribe;
    // The account a run takes its port, security, user name, connections,
    // limits and retries from; unset: the saved one once SetImpostazioni was
    // called, else none.
    std::function<std::optional<TAccountInvio>()> Account;
    TFontiInvio();
};

// One message as the preview shows it: for reading and byte for byte.
struct TFormeMessaggio {
    std::string Leggibile;
    std::string SulFilo;
};

class TControlloInvio {
  public:
    // `smtp` and `message` are the run's first client and message; they keep
    // their state from one run to the next.
    TControlloInvio(TIdSMTP& smtp, TIdMessage& message, TMessageBoxes& boxes, TVistaInvio& vista,
                    TFontiInvio fonti = {});
    // Waits for a run under way to end; no notice reaches the view meanwhile.
    ~TControlloInvio();
    TControlloInvio(const TControlloInvio&) = delete;
    TControlloInvio& operator=(const TControlloInvio&) = delete;

    // The server port and the waits of a run (25 and the usual limits unless
    // a test or a measurement changes them).
    void SetPorta(int porta) { porta_ = porta; }
    void SetLimitiTempo(const TLimitiTempo& limiti) { limiti_ = limiti; }
    // The sending account: port, security, user name and display name of a
    // run come from it. Without one, or with none saved, a run goes to the
    // port set above without TLS.
    void SetImpostazioni(TImpostazioniInvio* impostazioni) { impostazioni_ = impostazioni; }
    // The wait between rounds for deferred entries; tests bring their own.
    void SetAttesaTentativi(std::function<void(int)> attendi) { attendi_ = std::move(attendi); }

    // From the run's start until Concludi.
    bool InCorso() const { return lavoro_.joinable(); }
    // The journal's run being sent now; 0 when none.
    std::int64_t SpedizioneInCorso() const { return InCorso() ? opzioni_.Spedizione : 0; }
    // The journal's run of the last run (or of a resume ready to go); 0: none.
    std::int64_t Spedizione() const { return opzioni_.Spedizione; }
    // The results of the last run that Concludi took in.
    const TEsitoInvio& UltimoEsito() const { return ultimo_; }

    // The window is shown: the account's host, sender and password fill the
    // boxes, once per save of the account.
    void CompilaDaAccount();
    // When the journal holds an unfinished run, offers to resume it: the
    // boxes and the list are filled from it and the next run goes on with it.
    // Declined, it offers to close the run, which is then never offered again.
    void OffriRipresa();
    // The journal's run `spedizione` is readied to go on (its entries still
    // to send, or with `soloFalliti` its failed ones), as OffriRipresa does
    // on Yes; false when there is nothing to send.
    bool PreparaRipresa(std::int64_t spedizione, bool soloFalliti);
    // Starts a run to the entries, with their contacts' fields, and returns
    // at once; the view's InvioTerminato tells its end. `testi` holds what the
    // user typed: host, sender, password, subject, lines. When the entries
    // are those of a resume (or a resend) the journal's run goes on.
    // Before it starts: entries on the do-not-mail list and repeated
    // addresses are left out, those that got this very message in the last
    // days are named and left out unless the user wants them served again,
    // and the user confirms the count.
    void Avvia(const TDatiInvio& testi, std::vector<std::string> voci,
               const std::vector<TCampiContatto>& campi);
    // One message to the sender's own address with the first entry's fields
    // and PrefissoProva before the subject; a box says so once the server has
    // taken it.
    void AvviaProva(const TDatiInvio& testi, std::vector<TCampiContatto> campi);
    // The run ends within a second; the rest stays to send.
    void Interrompi();
    // The failed entries of the last run become the list, to be sent by the
    // next Avvia; false when there is nothing to resend.
    bool PreparaReinvio();
    // Closing: true when no run is under way; otherwise asks whether to stop
    // it and, on Yes, closes the view once it has ended.
    bool PuoChiudere();
    // On the view's thread, after InvioTerminato (or to wait for the end):
    // the counts are told, each row marked with its state; after a stop the
    // list holds what is left, readied to go on; otherwise the user chooses
    // to clear the list or keep only the failed.
    void Concludi();
    // How each entry's message would look; nothing when there is no entry,
    // a run is under way or the texts cannot be used (told in a box).
    std::function<TFormeMessaggio(std::size_t)> Anteprima(const TDatiInvio& testi,
                                                          const std::vector<std::string>& voci,
                                                          const std::vector<TCampiContatto>& campi);

  private:
    // Which of the entries stay out before the run, and why; asks about
    // those already served. Nullopt: the user called the run off.
    std::optional<std::vector<TMotivoEsclusione>> Esclusioni(const std::vector<std::string>& voci,
                                                             bool ripresa, bool prova,
                                                             const std::optional<TBasiInvio>& basi,
                                                             TImprontaSpedizione& impronta);
    // Each row's state once the run is over.
    std::vector<TStatoVoce> StatiRighe() const;
    // The list after a run: what a stop left, or by the user's choice
    // nothing or the failed.
    void ElencoDopo(const TEsitoInvio& esito, const std::vector<TStatoVoce>& stati);
    void AvviaVoci(const TDatiInvio& testi, std::vector<std::string> voci,
                   const std::vector<TCampiContatto>& campiContatti, bool prova);
    // The typed texts with the saved account's settings and the message
    // options; raises when the account cannot be read.
    TDatiInvio DatiInvio(const TDatiInvio& testi) const;
    TRegistroInvii* Registro();
    std::optional<TAccountInvio> Account() const;
    // The run's thread.
    void Esegui();
    // A notice to the view, unless it is gone.
    template <class F>
    void Avvisa(F&& avviso);

    TIdSMTP& smtp_;
    TIdMessage& message_;
    TMessageBoxes& boxes_;
    TVistaInvio& vista_;
    TFontiInvio fonti_;
    int porta_ = 25;
    TLimitiTempo limiti_;
    TImpostazioniInvio* impostazioni_ = nullptr;
    std::function<void(int)> attendi_;
    int salvataggiVisti_ = -1;

    std::unique_ptr<TRegistroInvii> registro_;
    bool registroCercato_ = false;
    // Journal run and positions of the run under way (or of a resume ready
    // to go), and the stop flag its waits watch.
    TOpzioniInvio opzioni_;
    std::vector<std::string> vociRipresa_;
    std::atomic<bool> ferma_{false};
    bool chiudiAFine_ = false;

    // The rows of the list at the run's start, with their journal positions
    // (empty: none) and why each stays out; the run sends voci_, the rows
    // at righe_.
    std::vector<TVoceElenco> elenco_;
    std::vector<std::size_t> posizioniRighe_;
    std::vector<TMotivoEsclusione> motivi_;
    std::vector<std::size_t> righe_;
    std::vector<std::string> voci_;
    std::optional<TUnioneInvio> unione_;
    TAllegatiCorsa allegati_;
    bool prova_ = false;
    TEsitoInvio esito_;
    TEsitoInvio ultimo_;
    std::thread lavoro_;

    std::mutex vistaMutex_;
    bool vistaAperta_ = true;
};

}  // namespace brivano
