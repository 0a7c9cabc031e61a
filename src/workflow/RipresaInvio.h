#pragma once
// What the mailing window needs of the journal: where it lies, how a run is
// recorded, and the texts that offer to resume one or sum one up.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "workflow/RegistroInvii.h"
#include "workflow/TipiInvio.h"

namespace brivano {

// The journal at the data root (PathDatiGen of the configuration store);
// null when no data root is set. Raises ERegistroInvii when it cannot open.
std::unique_ptr<TRegistroInvii> ApriRegistroInvii();

// The journal's account text of a run: host, port and user name.
std::string AccountInvio(const TDatiInvio& dati);
// Host and port back from that text (port 25 when it holds none).
TDatiInvio DatiDaSpedizione(const TSpedizioneRegistrata& spedizione);

// "È rimasto un invio non concluso ... Riprenderlo?"
std::string DomandaRipresa(const TSpedizioneRegistrata& spedizione);
// Asked when the run has uncertain entries: only Yes sends them again, so
// Escape or the close box never makes a duplicate.
std::string DomandaIncerti(std::size_t incerti);

// The box after a run: failures, entries still deferred or uncertain, and
// what a stop left; empty when everything went.
std::string RiepilogoInvio(const TEsitoInvio& esito, std::size_t restano);

}  // namespace brivano
