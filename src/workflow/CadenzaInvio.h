#pragma once
// A send run's pace and retries from the sending account: its limits, with
// the messages the journal shows it sent in the last 24 hours, and its
// rounds for deferred entries.

#include <atomic>
#include <optional>
#include <string>

#include "workflow/AccountInvio.h"
#include "workflow/TipiInvio.h"

namespace brivano {

class TRegistroInvii;

// Sets the retry rounds and their wait, and a real-time TCadenza that the
// stop flag interrupts, into the options of a run. Without an account: no
// limits, 2 rounds 60 s apart. `accountRegistro` is the journal's account
// text of the run (AccountInvio); without a journal only this run counts.
// Raises ERegistroInvii when the journal cannot be read.
void ImpostaCadenza(TOpzioniInvio& opzioni, const std::optional<TAccountInvio>& account,
                    const TRegistroInvii* registro, const std::string& accountRegistro,
                    const std::atomic<bool>* ferma);

}  // namespace brivano
