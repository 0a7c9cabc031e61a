#pragma once
// What the send-run controller needs of its window: the run's notices, the
// states of its controls, the entries and texts of a resumed run, and the
// failed entries to mark. The notices marked "run's thread" come from the
// controller's threads, one at a time; the view shows them on its own terms
// (a window queues them to its thread). Everything else is called on the
// thread that called the controller.

#include <cstddef>
#include <string>
#include <vector>

#include "workflow/CampiUnione.h"
#include "workflow/StatoVoce.h"
#include "workflow/TipiInvio.h"

namespace brivano {

// A recipient entry as the list holds it: its text and its contact's fields.
struct TVoceElenco {
    std::string Voce;
    TCampiContatto Campi;
    bool operator==(const TVoceElenco&) const = default;
};

class TVistaInvio {
  public:
    virtual ~TVistaInvio() = default;

    // Run's thread: the status text ("Sto Spedendo ...", a wait).
    virtual void MostraOperazione(const std::string& testo) = 0;
    // Run's thread: the bar's position and the text "n di N ...".
    virtual void MostraAvanzamento(int posizione, const std::string& testo) = 0;
    // Run's thread, the last notice of a run: the view calls
    // TControlloInvio::Concludi on its own thread.
    virtual void InvioTerminato() = 0;

    // A run starts: inputs off, the bar from 0 to `massimo` with the status
    // text shown, the stop button shown and on, the resend button hidden.
    virtual void MostraInizio(int massimo, const std::string& avanzamento) = 0;
    // The run's end: inputs on, bar, status text and stop button hidden,
    // the progress text cleared.
    virtual void MostraFine() = 0;
    // The stop was asked: the stop button off, "Interruzione in corso...".
    virtual void MostraInterruzione() = 0;
    virtual void MostraReinvia(bool visibile) = 0;
    // After a run: each entry's state, one per row of the list; the failed
    // stand out.
    virtual void SegnaStati(const std::vector<TStatoVoce>& stati) = 0;
    // The boxes from a saved account: host, sender and password.
    virtual void MostraAccount(const std::string& host, const std::string& mittente,
                               const std::string& password) = 0;
    // The boxes of a resumed run: host, sender, subject and the eight lines.
    virtual void MostraTesti(const TDatiInvio& dati) = 0;
    // The recipient list, replaced.
    virtual void MostraVoci(const std::vector<TVoceElenco>& voci) = 0;
    // A run (or an attempt refused before it) is over and its boxes shown.
    virtual void Concluso() = 0;
    // The user asked to close during the run, which has now ended.
    virtual void Chiudi() = 0;
};

// A view that shows nothing: a view made of it overrides only the notices it
// acts on. The run's end is left to each, as someone must call Concludi.
class TVistaInvioMuta : public TVistaInvio {
  public:
    void MostraOperazione(const std::string&) override {}
    void MostraAvanzamento(int, const std::string&) override {}
    void MostraInizio(int, const std::string&) override {}
    void MostraFine() override {}
    void MostraInterruzione() override {}
    void MostraReinvia(bool) override {}
    void SegnaStati(const std::vector<TStatoVoce>&) override {}
    void MostraAccount(const std::string&, const std::string&, const std::string&) override {}
    void MostraTesti(const TDatiInvio&) override {}
    void MostraVoci(const std::vector<TVoceElenco>&) override {}
    void Concluso() override {}
    void Chiudi() override {}
};

}  // namespace brivano
