#pragma once
// "Controlla posta": one check of the sender's mailbox with the data root's
// journal, do-not-mail list and mailbox archive, as the window and
// `brivano-rubrica posta controlla` run it.

#include <filesystem>
#include <string>

#include "posta/AccountPosta.h"
#include "posta/ControlloPosta.h"
#include "workflow/AccountInvio.h"

namespace brivano {

// Where to connect: the incoming side, its user defaulting to the SMTP user.
TAccessoImap AccessoPer(const TAccountPosta& posta, const TAccountInvio& invio,
                        const std::string& password);

// Raises EPosta, in Italian, when the mailbox cannot be read; what was acted
// on before stays recorded.
TEsitoControllo ControllaPostaMittente(const std::filesystem::path& radiceDati,
                                       const TAccountPosta& posta, const TAccessoImap& accesso);

// "Prova connessione" of the incoming side: signs in and looks at the inbox
// without changing anything. Returns one line for the user; raises EPosta,
// in Italian, naming what failed.
std::string ProvaPostaInArrivo(const TAccessoImap& accesso);

// One paragraph for the user: what was found and where it went.
std::string TestoEsitoControllo(const TEsitoControllo& esito);

}  // namespace brivano
