#pragma once
// The send run's view at a command line: progress on standard error (a bar
// redrawn in place on a terminal, one line per entry otherwise), the texts
// and entries a resume shows kept for the next start, and the run's end
// waited for on the caller's thread.

#include <condition_variable>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/MessageBoxes.h"
#include "workflow/VistaInvio.h"

namespace brivano {

class TVistaTerminale : public TVistaInvioMuta {
  public:
    TVistaTerminale(std::ostream& err, bool terminale) : err_(err), terminale_(terminale) {}

    void MostraOperazione(const std::string& testo) override;
    void MostraAvanzamento(int posizione, const std::string& testo) override;
    void InvioTerminato() override;
    void MostraInizio(int massimo, const std::string& avanzamento) override;
    void MostraFine() override;
    void MostraInterruzione() override;
    void MostraTesti(const TDatiInvio& dati) override { testi = dati; }
    void MostraVoci(const std::vector<TVoceElenco>& elenco) override { voci = elenco; }

    // Waits for InvioTerminato (the run's threads end it; the controller
    // bounds every wait of a run).
    void AttendiTermine();

    std::optional<TDatiInvio> testi;
    std::vector<TVoceElenco> voci;

  private:
    void Barra(int posizione, const std::string& testo);

    std::ostream& err_;
    bool terminale_;
    int massimo_ = 1;
    std::mutex mutex_;
    std::condition_variable fine_;
    bool terminato_ = false;
};

// Message boxes as lines on standard error. Nobody is there to answer: what
// the window would ask is written out and answered Yes, so a run goes on
// with the entries that can go (the exit status tells the others). Sending
// again to those who already got the message is answered No, and so are
// uncertain entries unless the command line asked for them.
class TRisposteTerminale : public TMessageBoxes {
  public:
    explicit TRisposteTerminale(std::ostream& err) : err_(err) {}
    void ShowInfo(const std::string& text) override;
    void ShowError(const std::string& text) override;
    TConfirmAnswer Confirm(const std::string& caption, const std::string& text) override;

    // Uncertain entries may have reached the server: sent again only when
    // asked for on the command line.
    bool ancheIncerti = false;

  private:
    std::ostream& err_;
};

}  // namespace brivano
