#pragma once
// What kind of run a message is, and who a promotional run may reach: only
// addresses whose basis in the contact register is consent or the customer
// exception. The send-run controller asks here before it connects and keeps
// here, per entry, the basis each address was sent (or left out) on.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "workflow/RegistroContatti.h"

class TMessageBoxes;

namespace brivano {

// Per entry of a list, the basis a run of that kind rests on and whether a
// promotional run leaves it out.
struct TBasiInvio {
    bool InUso = false;  // the register is kept: the bases are recorded
    TTipoInvio Tipo = TTipoInvio::Servizio;
    std::vector<TBaseVoce> Voci;
    int SenzaBase = 0;      // no entry, or basis "Nessuna"
    int SoloContratto = 0;  // "Contratto / servizio": no promotions
    int Opposti = 0;        // objected: left out whatever the basis

    std::size_t Esclusi() const;
    // "12 senza base giuridica, 3 con sola base contrattuale, 1 con opposizione"; empty: none.
    std::string Riepilogo() const;
};

// The bases of the entries for a run of that kind; without a register every
// entry has none.
TBasiInvio BasiInvio(const TRegistroContatti* registro, TTipoInvio tipo,
                     const std::vector<std::string>& voci);

// Whether the footer still holds the described text that cites the repealed
// law and addresses taken from lists published on the Internet.
bool PiePaginaSuperato(const std::vector<std::string>& piePagina);

// Before a run (not a test message): once the register at the data root of
// the do-not-mail list `nonInviare` holds a basis, the message's kind is
// asked the first time (and remembered by its subject); a promotional run
// warns once about the described footer and tells how many entries it
// leaves out and why, asking to go on. nullopt: the user stopped the run, or
// the register cannot be read (told in a box). Without a register in use,
// every run is a service one and no one is left out.
std::optional<TBasiInvio> BasiPrimaDellInvio(
    TMessageBoxes& boxes, const std::string& oggetto, const std::vector<std::string>& voci,
    const std::vector<std::string>& piePagina,
    const std::function<std::filesystem::path()>& nonInviare);

// Keeps the bases of a journal's run in the contact register (when in use).
// False, told in a box, when they cannot be kept: the run must not go
// without its proof.
bool RegistraBasiInvio(TMessageBoxes& boxes, std::int64_t spedizione, const TBasiInvio& basi,
                       const std::function<std::filesystem::path()>& nonInviare);

}  // namespace brivano
