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

// A journal time (UTC, "YYYY-MM-DD HH:MM:SS") as this computer's local time,
// "YYYY-MM-DD HH:MM:SS"; a text that is no such time comes back as it is.
std::string OraLocale(const std::string& utc);
// The same, short: "9/12 alle 15:02".
std::string GiornoEOraLocali(const std::string& utc);

// "È rimasto un invio non concluso ... Riprenderlo?"
std::string DomandaRipresa(const TSpedizioneRegistrata& spedizione);
// Asked after No to DomandaRipresa: a run closed is never offered again.
std::string DomandaChiusura(const TSpedizioneRegistrata& spedizione);
// "12 destinatari hanno già ricevuto questo messaggio il 9/12 alle 15:02"
// (the newest time), and whether to send it to them again.
std::string DomandaGiaServiti(std::size_t quanti, const std::string& quandoUtc);
// "Inviare il messaggio a 20 destinatari?"
std::string DomandaInvio(std::size_t quanti);
// The count line after a run: how many went, were left out, failed.
std::string TestoConteggi(std::size_t inviati, std::size_t esclusi, std::size_t falliti);
// Asked when the run has uncertain entries: only Yes sends them again, so
// Escape or the close box never makes a duplicate.
std::string DomandaIncerti(std::size_t incerti);

// The box after a run: failures, entries still deferred or uncertain, and
// what a stop left with how to go on; empty when everything went.
std::string RiepilogoInvio(const TEsitoInvio& esito, std::size_t restano);

}  // namespace brivano
