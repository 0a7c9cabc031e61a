#pragma once
// A send run without its controller: the body text, the settings of client
// and message, and the rounds over the recipient entries. The rounds touch
// only the client and the message they are given (and copies of them for
// further connections), so they run on the controller's threads.

#include <array>
#include <string>
#include <vector>

#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/TipiInvio.h"

namespace brivano {

// The fixed privacy footer, nine lines.
extern const std::array<const char*, 9> PiePagina;

// The eight text lines, each followed by CR, nine more CRs, then each footer
// line followed by CR: 26 body lines once split.
std::string ComponiCorpo(const std::array<std::string, 8>& righe);
// The same with another footer, one body line per footer line.
std::string ComponiCorpo(const std::array<std::string, 8>& righe,
                         const std::vector<std::string>& piePagina);

// Settings of one run: host, port, security, user name, password, limits,
// sender address and display name, subject and body. Raises
// EInvioTestoNonValido (nothing changed) when the host, the sender, the user
// name or the display name holds CR, LF or NUL.
void PreparaInvio(TIdSMTP& smtp, TIdMessage& message, const TDatiInvio& dati,
                  const TLimitiTempo& limiti);
// The client's share of PreparaInvio: host, port, security, user name,
// password and limits.
void PreparaConnessione(TIdSMTP& smtp, const TDatiInvio& dati, const TLimitiTempo& limiti);

// PerConnessione, Connessioni and NuovaConnessione from the run's settings.
void ImpostaConnessioni(TOpzioniInvio& opzioni, const TDatiInvio& dati, const TLimitiTempo& limiti);

// One connection per entry, in order: recipients from the entry, connect,
// send, goodbye. A 4xx reply defers the entry (another round after a wait), a
// 5xx or any other failure fails it, and the run goes on; a goodbye that goes
// wrong after the message was taken changes nothing. After a time-out or a
// broken dialogue the connection is closed without waiting for a goodbye.
// With PerConnessione above 1 a session carries several entries; with
// Connessioni above 1 that many sessions take the entries in list order, side
// by side, each with its own copy of the message, and the notices come one at
// a time (never two at once). The results list entries in list order, as the
// one-connection run does.
TEsitoInvio EseguiInvio(TIdSMTP& smtp, TIdMessage& message, const std::vector<std::string>& voci,
                        const TAvvisiInvio& avvisi = {}, const TOpzioniInvio& opzioni = {});

}  // namespace brivano
