#pragma once
// The body of a message with files: multipart/mixed (RFC 2046), the text part
// first exactly as the message without files would carry it, then each file
// in base64 with its media type and its name (RFC 2231, so accents survive).

#include <string>
#include <string_view>

#include "mailing/Allegato.h"

class TIdMessage;

namespace brivano {

class TBodyForm;

// A boundary no text part or base64 line can hold.
std::string NuovoConfine();

// `nome="…"` parameters as RFC 2231 extended values, cut into continuations
// ("nome*0*=", "nome*1*=" …) so that no header line grows past 78 octets; each
// piece begins with "; " and a folding break.
std::string ParametroEsteso(std::string_view nome, std::string_view valore);

// The bytes in base64, lines of 76 characters each ending in CR LF.
void AggiungiBase64(std::string_view bytes, std::string& out);

// Everything after the header block's empty line, each line ending in CR LF
// and with the leading-dot rule applied, for a message with files; the
// headers must be generated (they hold the boundary).
std::string CorpoMisto(const TIdMessage& message, const TBodyForm& testo);

}  // namespace brivano
