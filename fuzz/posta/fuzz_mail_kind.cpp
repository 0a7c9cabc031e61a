// Whatever lands in the sender's mailbox: the classifier never crashes, gives
// exactly one kind, and only bounces and requests name addresses, each with
// an "@" and no line break (they go into lists and journal lines as they are).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "posta/ClassificaPosta.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto esito =
        brivano::ClassificaPosta(bytes, [](std::string_view id) { return !id.empty(); });
    const bool conIndirizzi = esito.Tipo != brivano::TTipoPosta::Altro &&
                              esito.Tipo != brivano::TTipoPosta::RispostaAutomatica;
    if (!conIndirizzi && !esito.Indirizzi.empty()) std::abort();
    const bool rimbalzo = esito.Tipo == brivano::TTipoPosta::RimbalzoDefinitivo ||
                          esito.Tipo == brivano::TTipoPosta::RimbalzoTemporaneo;
    if (rimbalzo && esito.Indirizzi.empty()) std::abort();
    for (const auto& voce : esito.Indirizzi) {
        if (voce.Indirizzo.find('@') == std::string_view::npos) std::abort();
        if (voce.Indirizzo.find_first_of("\r\n") != std::string_view::npos) std::abort();
        if (voce.Diagnosi.find_first_of("\r\n") != std::string_view::npos) std::abort();
    }
    if (brivano::RigheEsame(esito).empty()) std::abort();
    return 0;
}
