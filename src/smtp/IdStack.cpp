#include "smtp/IdStack.h"

#include "exception/IdException.h"

bool TIdStack::ParseIPv4(const std::string& host, std::array<unsigned char, 4>& bytes) {
    std::size_t part = 0;
    std::size_t i = 0;
    while (true) {
        int value = 0;
        std::size_t digits = 0;
        while (i < host.size() && host[i] >= '0' && host[i] <= '9') {
            value = value * 10 + (host[i] - '0');
            if (value > 255) return false;
            ++digits;
            ++i;
        }
        if (digits == 0) return false;
        bytes[part++] = static_cast<unsigned char>(value);
        if (i == host.size()) return part == 4;
        if (host[i] != '.' || part == 4) return false;
        ++i;
    }
}

bool TIdStack::IsIPv4Dotted(const std::string& host) {
    std::array<unsigned char, 4> bytes{};
    return ParseIPv4(host, bytes);
}

long TIdStackBSDBase::CheckForSocketError(long result) const {
    if (result == -1) RaiseSocketError(LastError());
    return result;
}
