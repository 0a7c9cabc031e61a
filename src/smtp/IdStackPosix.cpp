#include "smtp/IdStackPosix.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "exception/IdException.h"

namespace {

struct TErrnoCode {
    int error;
    int code;
};

constexpr TErrnoCode kErrnoCodes[] = {
    {EINTR, 10004},        {EBADF, 10009},           {EACCES, 10013},
    {EPERM, 10013},        {EFAULT, 10014},          {EINVAL, 10022},
    {EMFILE, 10024},       {ENFILE, 10024},          {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},  {EALREADY, 10037},        {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},   {EPFNOSUPPORT, 10046},    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},
    {ENETUNREACH, 10051},  {ENETRESET, 10052},       {ECONNABORTED, 10053},
    {ECONNRESET, 10054},   {ENOBUFS, 10055},         {ENOMEM, 10055},
    {EISCONN, 10056},      {ENOTCONN, 10057},        {ESHUTDOWN, 10058},
    {EPIPE, 10058},        {ETOOMANYREFS, 10059},    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061}, {ELOOP, 10062},           {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},    {ENOTEMPTY, 10066},
};

int Family(TIdIPVersion ipVersion) {
    return ipVersion == Id_IPv6 ? AF_INET6 : AF_INET;
}

// A socket address from a numeric address and a port.
socklen_t MakeAddress(const std::string& ip, int port, TIdIPVersion ipVersion,
                      sockaddr_storage& address) {
    std::memset(&address, 0, sizeof address);
    if (ipVersion == Id_IPv6) {
        auto& a6 = reinterpret_cast<sockaddr_in6&>(address);
        a6.sin6_family = AF_INET6;
        a6.sin6_port = htons(static_cast<uint16_t>(port));
        if (!ip.empty() && inet_pton(AF_INET6, ip.c_str(), &a6.sin6_addr) != 1)
            RaiseSocketError(10022);
        return sizeof a6;
    }
    auto& a4 = reinterpret_cast<sockaddr_in&>(address);
    a4.sin_family = AF_INET;
    a4.sin_port = htons(static_cast<uint16_t>(port));
    if (!ip.empty()) {
        std::array<unsigned char, 4> bytes{};
        if (!TIdStack::ParseIPv4(ip, bytes)) RaiseSocketError(10022);
        std::memcpy(&a4.sin_addr, bytes.data(), bytes.size());
    }
    return sizeof a4;
}

void ReadAddress(const sockaddr_storage& address, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET6) {
        const auto& a6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &a6.sin6_addr, text, sizeof text);
        port = ntohs(a6.sin6_port);
    } else {
        const auto& a4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &a4.sin_addr, text, sizeof text);
        port = ntohs(a4.sin_port);
    }
    ip = text;
}

// Milliseconds left of a wait that started at `start`; infinite stays infinite.
int Remaining(int timeoutMs, std::chrono::steady_clock::time_point start) {
    if (timeoutMs < 0) return -1;
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count();
    return spent >= timeoutMs ? 0 : static_cast<int>(timeoutMs - spent);
}

// poll() for one event, restarted after signals; false when the time ran out.
bool PollFor(int socket, short events, int timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    pollfd entry{socket, events, 0};
    while (true) {
        int ready = ::poll(&entry, 1, Remaining(timeoutMs, start));
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) RaiseSocketError(TIdStackPosix::TranslateErrno(errno));
    }
}

// Keeps a socket non-blocking for one scope.
class TNonBlocking {
  public:
    explicit TNonBlocking(int socket) : socket_(socket), flags_(::fcntl(socket, F_GETFL)) {
        if (flags_ != -1) ::fcntl(socket_, F_SETFL, flags_ | O_NONBLOCK);
    }
    ~TNonBlocking() {
        if (flags_ != -1) ::fcntl(socket_, F_SETFL, flags_);
    }
    TNonBlocking(const TNonBlocking&) = delete;
    TNonBlocking& operator=(const TNonBlocking&) = delete;

  private:
    int socket_;
    int flags_;
};

// Waits for a connect under way to finish and raises its failure; with an
// abort flag the wait goes in short slices, so a stop is seen while a host
// that never answers holds the connect.
void FinishConnect(int socket, int timeoutMs, const std::atomic<bool>* abort) {
    constexpr int SliceMs = 200;
    const auto start = std::chrono::steady_clock::now();
    while (true) {
        if (abort && abort->load()) throw EIdAborted();
        int wait = Remaining(timeoutMs, start);  // -1: no limit
        if (wait == 0) RaiseSocketError(IdErrorTimedOut);
        if (abort) wait = wait < 0 ? SliceMs : std::min(wait, SliceMs);
        if (PollFor(socket, POLLOUT, wait)) break;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) == -1) error = errno;
    if (error != 0) RaiseSocketError(TIdStackPosix::TranslateErrno(error));
}

std::string LocalHostName() {
    char name[250] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return std::string();
    return name;
}

}  // namespace

TIdStackPosix::TIdStackPosix() : TIdStackBSDBase(LocalHostName()) {}

int TIdStackPosix::TranslateErrno(int error) {
    for (const auto& entry : kErrnoCodes)
        if (entry.error == error) return entry.code;
    return error;
}

int TIdStackPosix::TranslateResolverError(int eaiCode, int error) {
    switch (eaiCode) {
        case EAI_NONAME:
#ifdef EAI_NODATA
        case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
#endif
            return IdErrorHostNotFound;
        case EAI_AGAIN:
            return IdErrorTryAgain;
        case EAI_FAIL:
            return 11003;
        case EAI_MEMORY:
            return 10055;
        case EAI_FAMILY:
            return IdErrorAddressFamily;
        case EAI_SOCKTYPE:
            return 10044;
        case EAI_BADFLAGS:
            return 10022;
        case EAI_SYSTEM:
            return TranslateErrno(error);
        default:
            return IdErrorHostNotFound;
    }
}

int TIdStackPosix::LastError() const {
    return TranslateErrno(errno);
}

TIdStackSocketHandle TIdStackPosix::NewSocketHandle(TIdIPVersion ipVersion) {
    return static_cast<TIdStackSocketHandle>(
        CheckForSocketError(::socket(Family(ipVersion), SOCK_STREAM | SOCK_CLOEXEC, 0)));
}

bool TIdStackPosix::Bind(TIdStackSocketHandle socket, const std::string& ip, int port,
                         TIdIPVersion ipVersion) {
    sockaddr_storage address{};
    socklen_t length = MakeAddress(ip, port, ipVersion, address);
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), length) == 0;
}

void TIdStackPosix::SetNoDelay(TIdStackSocketHandle socket, bool noDelay) {
    int value = noDelay ? 1 : 0;
    CheckForSocketError(::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value));
}

void TIdStackPosix::Connect(TIdStackSocketHandle socket, const std::string& ip, int port,
                            TIdIPVersion ipVersion, int timeoutMs, const std::atomic<bool>* abort) {
    sockaddr_storage address{};
    socklen_t length = MakeAddress(ip, port, ipVersion, address);
    const auto* target = reinterpret_cast<const sockaddr*>(&address);
    if (timeoutMs <= 0) {
        if (::connect(socket, target, length) == 0) return;
        // A signal does not stop the connect; it goes on in the background.
        if (errno != EINTR) RaiseSocketError(TranslateErrno(errno));
        FinishConnect(socket, IdTimeoutInfinite, abort);
        return;
    }
    TNonBlocking nonBlocking(socket);
    if (::connect(socket, target, length) == 0) return;
    if (errno != EINPROGRESS && errno != EINTR) RaiseSocketError(TranslateErrno(errno));
    FinishConnect(socket, timeoutMs, abort);
}

std::string TIdStackPosix::HostByName(const std::string& name, TIdIPVersion ipVersion) {
    addrinfo hints{};
    hints.ai_family = Family(ipVersion);
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int result = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (result != 0) RaiseSocketError(TranslateResolverError(result, errno));
    std::string ip;
    int port = 0;
    sockaddr_storage address{};
    if (found && found->ai_addrlen <= sizeof address) {
        std::memcpy(&address, found->ai_addr, found->ai_addrlen);
        ReadAddress(address, ip, port);
    }
    ::freeaddrinfo(found);
    if (ip.empty()) RaiseSocketError(IdErrorHostNotFound);
    return ip;
}

bool TIdStackPosix::WaitReadable(TIdStackSocketHandle socket, int timeoutMs) {
    return PollFor(socket, POLLIN, timeoutMs == IdTimeoutInfinite ? -1 : timeoutMs);
}

bool TIdStackPosix::WaitWritable(TIdStackSocketHandle socket, int timeoutMs) {
    return PollFor(socket, POLLOUT, timeoutMs == IdTimeoutInfinite ? -1 : timeoutMs);
}

std::size_t TIdStackPosix::Receive(TIdStackSocketHandle socket, char* buffer, std::size_t size) {
    while (true) {
        ssize_t got = ::recv(socket, buffer, size, 0);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) RaiseSocketError(TranslateErrno(errno));
    }
}

std::size_t TIdStackPosix::Send(TIdStackSocketHandle socket, const char* data, std::size_t size) {
    while (true) {
        // MSG_NOSIGNAL: a peer that went away is an error, not a SIGPIPE.
        ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent >= 0) return static_cast<std::size_t>(sent);
        if (errno != EINTR) RaiseSocketError(TranslateErrno(errno));
    }
}

void TIdStackPosix::Disconnect(TIdStackSocketHandle socket) {
    ::shutdown(socket, SHUT_WR);
    ::close(socket);
}

void TIdStackPosix::GetSocketName(TIdStackSocketHandle socket, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    CheckForSocketError(::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length));
    ReadAddress(address, ip, port);
}

void TIdStackPosix::GetPeerName(TIdStackSocketHandle socket, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    CheckForSocketError(::getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length));
    ReadAddress(address, ip, port);
}
