#pragma once
// A message as it will go out: its exact bytes, written by the same writer the
// SMTP client uses, and a form for reading.

#include <string>

#include "mailing/IdMessage.h"

namespace brivano {

// The bytes the SMTP client writes after "DATA" for this message, up to but
// not including the end-of-data line. Generates the message's headers.
std::string BytesSulFilo(TIdMessage& message);

// The headers last generated, each decoded for reading, an empty line and the
// body lines as typed.
std::string TestoLeggibile(const TIdMessage& message);

// The first line of the bytes longer than 998 octets (RFC 5322 §2.1.1) as an
// Italian sentence naming its length; empty when there is none.
std::string RigaTroppoLunga(const std::string& bytes);

}  // namespace brivano
