#pragma once
// The program's configuration: named texts below one key path, read afresh at
// every use.

#include <string>
#include <utility>
#include <vector>

#include "config/RegistryStore.h"

// The key path every caller passes.
inline constexpr const char* KeyBrivano = "KORALDI\\Brivano\\";

// Returns the text of a value; a missing key, a missing value and an empty
// value all give empty text. Data end at the first NUL. A value that is not a
// text raises ERegistryException "Invalid data type for '<name>'".
std::string LeggiReg(const std::string& keyPath, const std::string& name);

// The values of the key read once, for a run of reads with no write between
// them (as at start-up); each read gives what LeggiReg would have.
class TConfigurazioneLetta {
  public:
    explicit TConfigurazioneLetta(const std::string& keyPath);
    // Values already read, as TRegistryStore::Recover gives them.
    explicit TConfigurazioneLetta(std::vector<TRegEntry> valori) : valori_(std::move(valori)) {}
    std::string Leggi(const std::string& name) const;

  private:
    std::vector<TRegEntry> valori_;
};

// Writes a text value, creating the key when needed. Raises
// ERegistryException when the store cannot be written; callers that do not
// care may ignore it, the next LeggiReg returns what the store then holds.
void ScriviReg(const std::string& keyPath, const std::string& name, const std::string& value);
