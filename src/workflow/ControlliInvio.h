#pragma once
// Checks before a run makes any connection: merge fields, an empty subject,
// lines too long for the wire. Questions and refusals go through the one
// message-box door, in Italian.

#include <optional>
#include <string>
#include <vector>

#include "dialogs/MessageBoxes.h"
#include "mailing/IdMessage.h"
#include "workflow/CampiUnione.h"

namespace brivano {

// The run's merge, or nothing (told through `boxes`) when a text names an
// unknown field.
std::optional<TUnioneInvio> UnionePerInvio(TMessageBoxes& boxes, const std::string& oggetto,
                                           const std::array<std::string, 8>& righe,
                                           const std::vector<std::string>& piePagina,
                                           const std::vector<TCampiContatto>& campi);

// True when the run may start: with entries, an empty subject and empty used
// fields are let through only when the user says so, and no message may hold
// a line over 998 octets once encoded. `message` is the prepared message; it
// is not changed.
bool ControlliPrimaDellInvio(TMessageBoxes& boxes, const TIdMessage& message,
                             const TUnioneInvio& unione, const std::vector<std::string>& voci);

}  // namespace brivano
