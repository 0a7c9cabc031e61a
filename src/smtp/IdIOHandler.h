#pragma once
// The channel of a connection: input buffer, optional write buffer, line
// reading and writing.
//
// Write side: Write (raw text), WriteLn (text + CR LF), WriteLines (each text
// + CR LF, one send), WriteBufferOpen / WriteBufferClose (collect, then one
// send). Texts meant as one line may not hold CR, LF or NUL (EIdInvalidLine,
// raised before anything is written).
// Read side: ReadLn (next line without LF and a CR right before it),
// ReadLnFirst(maxLines) (first line that is not blank, trimmed).
//
// The socket-dependent steps are protected virtuals, so a channel over
// something else than a socket (tests use an in-memory one) overrides only
// SourceAllocated, CloseSource, Readable, RecvRaw and SendRaw (and Writable,
// when writes have a time limit).
//
// Limits held here, above those steps, so they bind every kind of channel: a
// read deadline (a whole reply's limit, set by the connection), a write time
// limit, and an abort flag that ends any wait within a fraction of a second.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "smtp/IdBuffer.h"
#include "smtp/IdComponent.h"
#include "smtp/IdStack.h"

enum TIdMaxLineAction { maException, maSplit };

constexpr int IdMaxLineLengthDefault = 16384;
constexpr int IdRecvBufferSizeDefault = 32768;

class TIdIOHandler : public TIdComponent {
  public:
    TIdIOHandler();
    ~TIdIOHandler() override;

    // Connection settings handed over by the client before it opens the channel.
    const std::string& Host() const { return host_; }
    void SetHost(const std::string& host) { host_ = host; }
    int Port() const { return port_; }
    void SetPort(int port) { port_ = port; }
    TIdIPVersion IPVersion() const { return ipVersion_; }
    void SetIPVersion(TIdIPVersion ipVersion) { ipVersion_ = ipVersion; }
    int ConnectTimeout() const { return connectTimeout_; }
    void SetConnectTimeout(int milliseconds) { connectTimeout_ = milliseconds; }
    // Milliseconds a read waits for data; 0 waits without limit.
    int ReadTimeout() const { return readTimeout_; }
    void SetReadTimeout(int milliseconds) { readTimeout_ = milliseconds; }

    // Milliseconds one write may take to hand over all its bytes; 0 waits
    // without limit.
    int WriteTimeout() const { return writeTimeout_; }
    void SetWriteTimeout(int milliseconds) { writeTimeout_ = milliseconds; }
    // While set, no wait for data goes past this moment.
    void SetReadDeadline(std::optional<std::chrono::steady_clock::time_point> deadline) {
        readDeadline_ = deadline;
    }
    // When the flag (owned by the caller, who keeps it alive) turns true, every
    // wait of this channel raises EIdAborted.
    void SetAbortFlag(const std::atomic<bool>* flag) { abortFlag_ = flag; }
    const std::atomic<bool>* AbortFlag() const { return abortFlag_; }

    // Largest accepted position of a line's LF; 0 (or less) means no limit.
    int MaxLineLength() const { return maxLineLength_; }
    void SetMaxLineLength(int length) { maxLineLength_ = length; }
    TIdMaxLineAction MaxLineAction() const { return maxLineAction_; }
    void SetMaxLineAction(TIdMaxLineAction action) { maxLineAction_ = action; }
    // Largest number of bytes asked for per receive (at least 1).
    int RecvBufferSize() const { return recvBufferSize_; }
    void SetRecvBufferSize(int size) { recvBufferSize_ = size < 1 ? 1 : size; }

    bool Opened() const { return opened_; }
    bool ClosedGracefully() const { return closedGracefully_; }
    // Outcome flags of the last ReadLn.
    bool ReadLnSplit() const { return readLnSplit_; }
    bool ReadLnTimedOut() const { return readLnTimedOut_; }
    // Bytes received and not yet read; null before the first Open. Kept after
    // a close until the next Open.
    TIdBuffer* InputBuffer() const { return inputBuffer_.get(); }
    bool InputBufferIsEmpty() const { return !inputBuffer_ || inputBuffer_->Empty(); }

    // Fresh input buffer; a write buffer left open from before is dropped.
    virtual void Open();
    // Never raises; the input buffer keeps its content.
    virtual void Close();
    // Takes in what already waits (without waiting), then: true while the source
    // is open and the peer has not closed, or while unread input remains.
    virtual bool Connected();

    void Write(const std::string& text);
    void WriteLn(const std::string& text = std::string());
    void WriteLines(const std::vector<std::string>& lines);
    // Between the two, writes only collect bytes; closing sends them in one send
    // (also call it when a write in between failed). Opening twice keeps
    // collecting into the same buffer.
    void WriteBufferOpen();
    void WriteBufferClose();
    bool WriteBufferingActive() const { return writeBuffer_ != nullptr; }

    std::string ReadLn();
    // Reads up to maxLines lines and returns the first that is not blank,
    // trimmed of characters up to code 32 at both ends; "" when none was.
    std::string ReadLnFirst(int maxLines);

    // Receives once into the input buffer. timeoutMs: milliseconds, 0 for no
    // wait, IdTimeoutDefault for ReadTimeout, IdTimeoutInfinite for no limit.
    // Returns the number of bytes received, or -1 when the wait timed out.
    virtual long ReadFromSource(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout);
    // Closes the channel when the peer has closed, and raises
    // EIdConnClosedGracefully (when asked) if it is disconnected and no usable
    // input is buffered (ignoreBuffer: buffered input does not count).
    virtual void CheckForDisconnect(bool raise = true, bool ignoreBuffer = false);

    // The name the socket library reported when it started ("" if unknown).
    const std::string& LocalHostName() const { return Stack().HostName(); }

    // Raises EIdInvalidLine when the text holds CR, LF or NUL.
    static void CheckSingleLine(const std::string& text);

  protected:
    // Whether the socket (or whatever stands for it) exists.
    virtual bool SourceAllocated() const = 0;
    // Shuts down and releases the source; never raises.
    virtual void CloseSource() = 0;
    // Readiness wait: true when data (or the peer's close) is there.
    // timeoutMs: milliseconds, 0 for no wait, IdTimeoutInfinite for no limit.
    virtual bool Readable(int timeoutMs) = 0;
    // Waits until a send would take bytes; true when it would. Channels
    // without a real source are always ready.
    virtual bool Writable(int) { return true; }
    // One receive of at most `size` bytes; 0 means the peer has closed.
    virtual std::size_t RecvRaw(char* buffer, std::size_t size) = 0;
    // One send; returns the number of bytes accepted.
    virtual std::size_t SendRaw(const char* data, std::size_t size) = 0;
    // Raw write: sends all bytes now, repeating for what was not accepted.
    virtual void WriteDirect(const char* data, std::size_t size);

    void SetClosedGracefully(bool closed) { closedGracefully_ = closed; }

  private:
    // Raises for an over-long line, or (maSplit) returns its first part.
    std::string TooLongLine();
    // Readable in short slices, watching the abort flag.
    bool WaitForInput(int timeoutMs);
    // Waits in short slices until a send would take bytes; raises
    // EIdWriteTimeout past the deadline, EIdAborted when asked to stop.
    void WaitForRoom(std::chrono::steady_clock::time_point deadline);

    std::string host_;
    int port_ = 0;
    TIdIPVersion ipVersion_ = Id_IPv4;
    int connectTimeout_ = 0;
    int readTimeout_ = 0;
    int writeTimeout_ = 0;
    std::optional<std::chrono::steady_clock::time_point> readDeadline_;
    const std::atomic<bool>* abortFlag_ = nullptr;
    int maxLineLength_ = IdMaxLineLengthDefault;
    TIdMaxLineAction maxLineAction_ = maException;
    int recvBufferSize_ = IdRecvBufferSizeDefault;
    bool opened_ = false;
    bool closedGracefully_ = false;
    bool readLnSplit_ = false;
    bool readLnTimedOut_ = false;
    std::unique_ptr<TIdBuffer> inputBuffer_;
    std::unique_ptr<std::string> writeBuffer_;
};
