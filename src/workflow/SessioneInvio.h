#pragma once
// One connection's share of a send run: it delivers entries one after the
// other over the same SMTP session, up to a number of messages, then says
// goodbye. With one message per connection each entry gets the whole
// dialogue of its own (connect, send, QUIT), byte for byte as always.

#include <functional>
#include <string>

#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"

namespace brivano {

enum class TEsitoVoce { Inviato, Rinviato, Fallito, Incerto, Interrotto };

struct TRisultatoVoce {
    TEsitoVoce Esito;
    int Codice = 0;
    std::string Testo;
};

class TSessioneInvio {
  public:
    // `perConnessione` below 1 counts as 1.
    TSessioneInvio(TIdSMTP& smtp, int perConnessione);
    // Says goodbye to a session still open; never raises.
    ~TSessioneInvio();
    TSessioneInvio(const TSessioneInvio&) = delete;
    TSessioneInvio& operator=(const TSessioneInvio&) = delete;

    // Delivers `message` to `voce`, opening a session when none is open;
    // `primaDellaFine` runs right before the end of data leaves. A 4xx reply
    // defers the entry, a 5xx or any other failure fails it; after a 421, a
    // time-out or a broken dialogue the session is closed at once (no QUIT),
    // otherwise it stays open for the next entry until it has carried its
    // share. A session that carried a message before and turns out closed by
    // the server before this one's end of data is opened again once.
    TRisultatoVoce Invia(TIdMessage& message, const std::string& voce,
                         const std::function<void()>& primaDellaFine);

    // QUIT to an open session (a failing goodbye changes nothing), then closed.
    void Chiudi();

    TIdSMTP& Client() { return smtp_; }

  private:
    // One attempt on the current session (opened first when needed);
    // `rotta` tells whether the server closed a reused session early.
    TRisultatoVoce Tenta(TIdMessage& message, bool& rotta);
    // Closes the channel with or without QUIT; never raises.
    void Congeda(bool quit);

    TIdSMTP& smtp_;
    int perConnessione_;
    int nellaSessione_ = 0;
    bool aperta_ = false;
};

// The explanation when there is one, then the error's first line, bounded.
std::string TestoFallimento(const std::exception& e);
// "<campo> contiene un a capo o un carattere nullo".
std::string TestoNonValido(const std::string& campo);

}  // namespace brivano
