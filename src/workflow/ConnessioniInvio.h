#pragma once
// The connections of one send run: the caller's client and message for the
// first, a client prepared as the run's own and a copy of the message for
// each further one, every client watching the run's stop flag while the pool
// lives, and a session over each.

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/SessioneInvio.h"
#include "workflow/TipiInvio.h"

namespace brivano {

struct TConnessione {
    std::unique_ptr<TIdSMTP> Proprio;
    std::optional<TIdMessage> Copia;
    TIdSMTP* Smtp = nullptr;
    TIdMessage* Message = nullptr;
    std::unique_ptr<TSessioneInvio> Sessione;
};

class TConnessioniInvio {
  public:
    // Connessioni (1 to ConnessioniMassime) when NuovaConnessione can prepare
    // the further clients, else one.
    TConnessioniInvio(TIdSMTP& smtp, TIdMessage& message, const TOpzioniInvio& opzioni);
    // Says goodbye to every open session, lets the clients go of the flag and
    // the messages make their ids as before the run.
    ~TConnessioniInvio();
    TConnessioniInvio(const TConnessioniInvio&) = delete;
    TConnessioniInvio& operator=(const TConnessioniInvio&) = delete;

    std::size_t Numero() const { return connessioni_.size(); }
    TConnessione& operator[](std::size_t n) { return connessioni_[n]; }
    // No session idles through a wait: the server would drop it.
    void ChiudiTutte();

  private:
    bool idPerVoce_;
    std::vector<TConnessione> connessioni_;
};

}  // namespace brivano
