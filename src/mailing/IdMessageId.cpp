#include "mailing/IdMessageId.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

namespace brivano {
namespace {

bool IsAtext(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr && c != '\0';
}

std::uint64_t ProcessRandom() {
    static const std::uint64_t value = [] {
        std::random_device device;
        std::uint64_t v = device();
        return (v << 32) ^ device();
    }();
    return value;
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return std::string();
    return name;
}

}  // namespace

bool IsDotAtom(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.') return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.') {
            if (text[i + 1] == '.') return false;
        } else if (!IsAtext(text[i])) {
            return false;
        }
    }
    return true;
}

std::string NewMessageIdLeft() {
    static std::atomic<std::uint64_t> counter{0};
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    char text[80];
    std::snprintf(text, sizeof text, "%lld.%016llx.%llu", static_cast<long long>(micros),
                  static_cast<unsigned long long>(ProcessRandom()),
                  static_cast<unsigned long long>(++counter));
    return text;
}

std::string MessageIdDomain(std::string_view senderAddress) {
    const std::size_t at = senderAddress.rfind('@');
    if (at != std::string_view::npos && IsDotAtom(senderAddress.substr(at + 1)))
        return std::string(senderAddress.substr(at + 1));
    std::string host = HostName();
    return IsDotAtom(host) ? host : "localhost";
}

std::string MessageIdFor(std::string_view left, std::string_view senderAddress) {
    std::string id = "<";
    id.append(left).append(1, '@').append(MessageIdDomain(senderAddress)).append(1, '>');
    return id;
}

}  // namespace brivano
