#include "smtp/IdIOHandlerStack.h"

#include <algorithm>
#include <cctype>

#include "exception/IdException.h"
#include "text/Testo.h"

namespace {

bool IsLocalHostName(const std::string& host) {
    return brivano::EqualsNoCase(host, "localhost");
}

}  // namespace

std::string TIdIOHandlerStack::ResolveHost(const std::string& host) {
    if (IPVersion() == Id_IPv4 && TIdStack::IsIPv4Dotted(host)) return host;
    DoStatus(hsResolving, host);
    if (IsLocalHostName(host)) return IPVersion() == Id_IPv6 ? "::1" : "127.0.0.1";
    // The resolver would stop at a NUL and look up another name.
    if (host.find('\0') != std::string::npos) RaiseSocketError(IdErrorHostNotFound);
    return Stack().HostByName(host, IPVersion());
}

bool TIdIOHandlerStack::Readable(int timeoutMs) {
    return Binding().Readable(timeoutMs);
}

bool TIdIOHandlerStack::Writable(int timeoutMs) {
    return Binding().Writable(timeoutMs);
}

std::size_t TIdIOHandlerStack::RecvRaw(char* buffer, std::size_t size) {
    return Binding().Receive(buffer, size);
}

std::size_t TIdIOHandlerStack::SendRaw(const char* data, std::size_t size) {
    return Binding().Send(data, size);
}
