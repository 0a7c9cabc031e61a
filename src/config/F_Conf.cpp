#include "config/F_Conf.h"

std::string LeggiReg(const std::string& keyPath, const std::string& name) {
    const std::optional<TRegValue> value = TRegistryStore(keyPath).Read(name);
    if (!value || value->data.empty()) return {};
    if (value->type != TRegDataType::String && value->type != TRegDataType::ExpandString)
        throw ERegistryException("Invalid data type for '" + name + "'");
    return value->data.substr(0, value->data.find('\0'));
}

void ScriviReg(const std::string& keyPath, const std::string& name, const std::string& value) {
    TRegistryStore(keyPath).Write(name, {TRegDataType::String, value});
}
