#pragma once
// What start-up does with a damaged configuration: it goes on with every value
// the store recovered, gives the default only to the values that could not be
// recovered, and tells the user which were which.

#include <string>
#include <vector>

#include "config/RegistryStore.h"

struct TValoreDiBase {
    std::string nome;
    std::string valore;
};

// Writes the default of every value of `valoriDiBase` the recovered store
// lacks, and returns the Italian text that says what was recovered, where the
// damaged file went and which values fell back to their defaults.
std::string CompletaConfigurazione(const std::string& keyPath, const TRegRecovery& recupero,
                                   const std::vector<TValoreDiBase>& valoriDiBase);
