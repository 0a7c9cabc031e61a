#pragma once
// Whether an account's password may cross the network unencrypted: without
// TLS the login goes as the server offers it, and a server (or someone in
// between) that drops STARTTLS gets the password readable.

#include <string>

#include "workflow/AccountInvio.h"

namespace brivano {

// The warning to show beside the password, or "" when there is none to give.
std::string AvvisoPasswordInChiaro(TSicurezza sicurezza, const std::string& password);

}  // namespace brivano
