#pragma once
// The send run of the mailing window without the window: the body text, the
// settings of client and message, and the loop over the recipient entries.
// The loop touches only the client and the message it is given, so it can run
// on a worker thread while the window waits for its notices.

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "mailing/IdMessage.h"
#include "smtp/IdException.h"
#include "smtp/IdSMTP.h"

namespace brivano {

// The fixed privacy footer, nine lines.
extern const std::array<const char*, 9> PiePagina;

// The eight text lines, each followed by CR, nine more CRs, then each footer
// line followed by CR: 26 body lines once split.
std::string ComponiCorpo(const std::array<std::string, 8>& righe);

struct TDatiInvio {
    std::string Host;
    std::string Mittente;  // sender address, also the user name unless Utente says otherwise
    std::string Password;
    std::string Oggetto;
    std::array<std::string, 8> Righe;
    int Porta = 25;
    // From the saved account; without one, no TLS and the sender logs in.
    TIdUseTLS UseTLS = utNoTLSSupport;
    std::string Utente;
    // The display name of "From"; empty: the sender address.
    std::string MittenteNome;
};

// Waits of one recipient's dialogue, in milliseconds.
struct TLimitiTempo {
    int Connessione = 30000;
    int Risposta = 300000;  // every reply without its own limit below
    TIdSMTPReplyTimeouts PerFase{300000, 300000, 120000, 600000};
};

// A text typed by the user that would end a protocol line.
class EInvioTestoNonValido : public EIdException {
  public:
    using EIdException::EIdException;
};

// Settings of one run: host, port, security, user name, password, limits,
// sender address and display name, subject and body. Raises
// EInvioTestoNonValido (nothing changed) when the host, the sender, the user
// name or the display name holds CR, LF or NUL.
void PreparaInvio(TIdSMTP& smtp, TIdMessage& message, const TDatiInvio& dati,
                  const TLimitiTempo& limiti);

struct TFallimento {
    std::size_t Indice;
    std::string Voce;
    std::string Errore;
};

struct TEsitoInvio {
    std::vector<TFallimento> Falliti;
    // The error that ended the run early (a goodbye that went wrong); empty
    // when every entry was tried.
    std::string ErroreFatale;
};

struct TAvvisiInvio {
    std::function<void(std::size_t indice, const std::string& voce)> Inizio;
    std::function<void(std::size_t fatti)> Fatto;
};

// One connection per entry, in order: recipients from the entry, connect,
// send, disconnect when still connected. A failing entry is noted and the run
// goes on; an error of the connected test or of the disconnect ends it.
TEsitoInvio EseguiInvio(TIdSMTP& smtp, TIdMessage& message, const std::vector<std::string>& voci,
                        const TAvvisiInvio& avvisi = {});

// The text of the message box after a run with failures: one line per entry.
std::string TestoFallimenti(const std::vector<TFallimento>& falliti);

}  // namespace brivano
