#pragma once
// Instants as text by a strftime format, in UTC or in local time: rows and
// files keep UTC, what a person reads is local.

#include <ctime>
#include <optional>
#include <string>

namespace brivano {

enum class TFuso { Utc, Locale };

// Empty when the instant has no calendar date. The text is at most 63 bytes.
std::optional<std::string> TestoOra(std::time_t istante, const char* formato, TFuso fuso);
std::string OraCorrente(const char* formato, TFuso fuso);

}  // namespace brivano
