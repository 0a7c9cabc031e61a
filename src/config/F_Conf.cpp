#include "config/F_Conf.h"

#include "text/Testo.h"

namespace {

std::string Testo(const std::string& name, const std::optional<TRegValue>& value) {
    if (!value || value->data.empty()) return {};
    if (value->type != TRegDataType::String && value->type != TRegDataType::ExpandString)
        throw ERegistryException("Invalid data type for '" + name + "'");
    return value->data.substr(0, value->data.find('\0'));
}

}  // namespace

std::string LeggiReg(const std::string& keyPath, const std::string& name) {
    return Testo(name, TRegistryStore(keyPath).Read(name));
}

TConfigurazioneLetta::TConfigurazioneLetta(const std::string& keyPath)
    : valori_(TRegistryStore(keyPath).ReadAll()) {}

std::string TConfigurazioneLetta::Leggi(const std::string& name) const {
    // The store's own rule: names compare without regard to case.
    for (const TRegEntry& e : valori_)
        if (brivano::EqualsNoCase(e.name, name)) return Testo(name, e.value);
    return {};
}

void ScriviReg(const std::string& keyPath, const std::string& name, const std::string& value) {
    TRegistryStore(keyPath).Write(name, {TRegDataType::String, value});
}
