#include "smtp/IdIOHandler.h"

#include <algorithm>
#include <cstring>

#include "exception/IdException.h"
#include "text/Testo.h"

namespace {

using Clock = std::chrono::steady_clock;

// Longest single wait while an abort flag or a limit is watched.
constexpr int SliceMs = 200;
// Bytes handed to one send while writes are limited: after a readiness wait
// a piece this small goes out without blocking.
constexpr std::size_t LimitedSendSize = 4096;

int MillisecondsUntil(Clock::time_point moment) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(moment - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

}  // namespace

TIdIOHandler::TIdIOHandler() = default;

// Derived channels release their source themselves: CloseSource is theirs.
TIdIOHandler::~TIdIOHandler() = default;

void TIdIOHandler::Open() {
    opened_ = true;
    closedGracefully_ = false;
    writeBuffer_.reset();
    if (inputBuffer_) {
        inputBuffer_->Clear();
    } else {
        inputBuffer_ = std::make_unique<TIdBuffer>();
    }
}

void TIdIOHandler::Close() {
    if (SourceAllocated()) CloseSource();
    opened_ = false;
}

bool TIdIOHandler::Connected() {
    ReadFromSource(false, 0, false);
    return (SourceAllocated() && opened_ && !closedGracefully_) || !InputBufferIsEmpty();
}

void TIdIOHandler::CheckSingleLine(const std::string& text) {
    // One memchr per character scans far faster than find_first_of, which
    // tests the set at every byte.
    const void* data = text.data();
    const std::size_t size = text.size();
    if (std::memchr(data, '\r', size) || std::memchr(data, '\n', size) ||
        std::memchr(data, '\0', size))
        throw EIdInvalidLine();
}

void TIdIOHandler::Write(const std::string& text) {
    if (text.empty()) return;
    if (writeBuffer_) {
        writeBuffer_->append(text);
    } else {
        WriteDirect(text.data(), text.size());
    }
}

void TIdIOHandler::WriteLn(const std::string& text) {
    CheckSingleLine(text);
    std::string line;
    line.reserve(text.size() + 2);
    line.append(text).append("\r\n");
    Write(line);
}

void TIdIOHandler::WriteLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines) {
        CheckSingleLine(line);
        size += line.size() + 2;
    }
    std::string bytes;
    bytes.reserve(size);
    for (const auto& line : lines) bytes.append(line).append("\r\n");
    Write(bytes);
}

void TIdIOHandler::WriteBufferOpen() {
    if (!writeBuffer_) writeBuffer_ = std::make_unique<std::string>();
}

void TIdIOHandler::WriteBufferClose() {
    if (!writeBuffer_) return;
    std::unique_ptr<std::string> bytes = std::move(writeBuffer_);
    if (!bytes->empty()) WriteDirect(bytes->data(), bytes->size());
}

void TIdIOHandler::WaitForRoom(Clock::time_point deadline) {
    while (true) {
        if (abortFlag_ && abortFlag_->load()) throw EIdAborted();
        int slice = SliceMs;
        if (writeTimeout_ > 0) {
            const int left = MillisecondsUntil(deadline);
            if (left == 0) throw EIdWriteTimeout();
            slice = std::min(slice, left);
        }
        if (Writable(slice)) return;
    }
}

void TIdIOHandler::WriteDirect(const char* data, std::size_t size) {
    CheckForDisconnect(true, true);
    if (!SourceAllocated()) throw EIdNotConnected("Not Connected");
    const bool limited = writeTimeout_ > 0 || abortFlag_ != nullptr;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(writeTimeout_);
    std::size_t sent = 0;
    while (sent < size) {
        std::size_t piece = size - sent;
        if (limited) {
            WaitForRoom(deadline);
            piece = std::min(piece, LimitedSendSize);
        }
        std::size_t accepted = std::min(SendRaw(data + sent, piece), piece);
        sent += accepted;
        closedGracefully_ = accepted == 0;
        CheckForDisconnect(true, false);
        // Bytes are left and the source is gone: never send into a closed handle.
        if (sent < size && !SourceAllocated()) throw EIdConnClosedGracefully();
    }
}

void TIdIOHandler::CheckForDisconnect(bool raise, bool ignoreBuffer) {
    bool disconnected = false;
    if (closedGracefully_) {
        if (SourceAllocated()) {
            Close();
            DoStatus(hsDisconnected);
        }
        disconnected = true;
    } else {
        disconnected = !SourceAllocated();
    }
    if (disconnected && raise && inputBuffer_ && (inputBuffer_->Empty() || ignoreBuffer))
        throw EIdConnClosedGracefully();
}

bool TIdIOHandler::WaitForInput(int timeoutMs) {
    if (abortFlag_ == nullptr || timeoutMs == 0) return Readable(timeoutMs);
    const Clock::time_point start = Clock::now();
    while (true) {
        if (abortFlag_->load()) throw EIdAborted();
        int slice = SliceMs;
        if (timeoutMs != IdTimeoutInfinite) {
            const int left = MillisecondsUntil(start + std::chrono::milliseconds(timeoutMs));
            if (left == 0) return false;
            slice = std::min(slice, left);
        }
        if (Readable(slice)) return true;
    }
}

long TIdIOHandler::ReadFromSource(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout) {
    if (timeoutMs == IdTimeoutDefault)
        timeoutMs = readTimeout_ > 0 ? readTimeout_ : IdTimeoutInfinite;
    if (readDeadline_ && timeoutMs != 0) {
        // A wait that may not go past the deadline: none at all once it passed.
        const int left = MillisecondsUntil(*readDeadline_);
        if (left == 0) {
            if (raiseOnTimeout) throw EIdReadTimeout();
            return -1;
        }
        timeoutMs = timeoutMs == IdTimeoutInfinite ? left : std::min(timeoutMs, left);
    }
    CheckForDisconnect(raiseIfDisconnected, false);
    if (!SourceAllocated()) {
        if (raiseIfDisconnected) throw EIdException("Not Connected");
        return 0;
    }
    if (!inputBuffer_) inputBuffer_ = std::make_unique<TIdBuffer>();
    const auto chunk = static_cast<std::size_t>(recvBufferSize_);
    while (true) {
        if (!WaitForInput(timeoutMs)) {
            if (raiseOnTimeout) throw EIdReadTimeout();
            return -1;
        }
        if (!SourceAllocated()) throw EIdClosedSocket();
        std::size_t got = std::min(RecvRaw(inputBuffer_->Reserve(chunk), chunk), chunk);
        inputBuffer_->Commit(got);
        closedGracefully_ = got == 0;
        CheckForDisconnect(raiseIfDisconnected, false);
        if (got > 0 || !SourceAllocated()) return static_cast<long>(got);
    }
}

std::string TIdIOHandler::TooLongLine() {
    if (maxLineAction_ == maException) throw EIdReadLnMaxLineLengthExceeded();
    readLnSplit_ = true;
    return inputBuffer_->Extract(static_cast<std::size_t>(maxLineLength_));
}

std::string TIdIOHandler::ReadLn() {
    readLnSplit_ = false;
    readLnTimedOut_ = false;
    const std::size_t limit =
        maxLineLength_ > 0 ? static_cast<std::size_t>(maxLineLength_) : TIdBuffer::npos;
    // Each search starts where the last one ended: every byte is looked at once.
    std::size_t start = 0;
    while (true) {
        if (!InputBufferIsEmpty()) {
            const std::string_view bytes = inputBuffer_->View();
            const auto* lf = static_cast<const char*>(
                std::memchr(bytes.data() + start, '\n', bytes.size() - start));
            start = bytes.size();
            if (lf) {
                const auto terminator = static_cast<std::size_t>(lf - bytes.data());
                if (terminator > limit) return TooLongLine();
                const std::size_t length = terminator - (terminator > 0 && lf[-1] == '\r' ? 1 : 0);
                std::string line(bytes.data(), length);
                inputBuffer_->Remove(terminator + 1);
                return line;
            }
        }
        if (limit != TIdBuffer::npos && start > limit) return TooLongLine();
        // A partial line is no line: the peer's close raises here.
        CheckForDisconnect(true, true);
        try {
            ReadFromSource(true, IdTimeoutDefault, true);
        } catch (const EIdReadTimeout&) {
            readLnTimedOut_ = true;
            throw;
        }
    }
}

std::string TIdIOHandler::ReadLnFirst(int maxLines) {
    std::string line;
    for (int i = 0; i < maxLines; ++i) {
        line = brivano::Trim(ReadLn());
        if (!line.empty()) break;
    }
    return line;
}
