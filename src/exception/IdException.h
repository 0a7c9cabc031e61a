#pragma once
// Exceptions of the mail units, the message model and the transport. Every one
// of them is an EIdException, so a caller that only wants "the send failed"
// catches that one class; what() is the fixed message the user sees.

#include <stdexcept>
#include <string>

class EIdException : public std::runtime_error {
  public:
    explicit EIdException(const std::string& message) : std::runtime_error(message) {}
};

// Errors that normal operation expects (the peer closing) rather than faults.
class EIdSilentException : public EIdException {
  public:
    using EIdException::EIdException;
};

class EIdConnClosedGracefully : public EIdSilentException {
  public:
    EIdConnClosedGracefully() : EIdSilentException("Connection Closed Gracefully.") {}
};

class EIdAlreadyConnected : public EIdException {
  public:
    EIdAlreadyConnected() : EIdException("Already connected.") {}
};

// Raised with "Not Connected" by a raw write without a socket and with
// "Not connected." by a reply exchange without a channel.
class EIdNotConnected : public EIdException {
  public:
    using EIdException::EIdException;
};

class EIdClosedSocket : public EIdException {
  public:
    EIdClosedSocket() : EIdException("Disconnected.") {}
};

class EIdReadTimeout : public EIdException {
  public:
    EIdReadTimeout() : EIdException("Read Timeout") {}
};

// A write that could not hand its bytes over within the channel's write limit.
class EIdWriteTimeout : public EIdException {
  public:
    EIdWriteTimeout() : EIdException("Tempo di scrittura scaduto") {}
};

// The caller asked the channel to stop (its abort flag was set).
class EIdAborted : public EIdException {
  public:
    EIdAborted() : EIdException("Invio interrotto") {}

  protected:
    // A stop with its own reason (the sign-in must be done again).
    explicit EIdAborted(const std::string& reason) : EIdException(reason) {}
};

// A reply with more lines or bytes than a connection accepts.
class EIdReplyTooLarge : public EIdException {
  public:
    EIdReplyTooLarge() : EIdException("Risposta del server troppo lunga") {}
};

class EIdReadLnMaxLineLengthExceeded : public EIdException {
  public:
    EIdReadLnMaxLineLengthExceeded() : EIdException("Max line length exceeded.") {}
};

// A text meant as one protocol line held CR, LF or NUL; nothing was written.
class EIdInvalidLine : public EIdException {
  public:
    EIdInvalidLine() : EIdException("A line must not contain CR, LF or NUL characters.") {}
};

class EIdSocketHandleError : public EIdException {
  public:
    using EIdException::EIdException;
};

class EIdCouldNotBindSocket : public EIdSocketHandleError {
  public:
    EIdCouldNotBindSocket()
        : EIdSocketHandleError("Could not bind socket. Address and port are already in use.") {}
};

class EIdStackError : public EIdException {
  public:
    using EIdException::EIdException;
};

class EIdStackInitializationFailed : public EIdStackError {
  public:
    using EIdStackError::EIdStackError;
};

// A failed socket call or name lookup. The code is the transport's own socket
// error number; the message is "Socket Error # <code>" CR LF and its text.
class EIdSocketError : public EIdException {
  public:
    explicit EIdSocketError(int code);
    int ErrorCode() const { return code_; }

    // "Socket Error # %d\r\n%s" for the code; an unknown code gets an empty text.
    static std::string MessageFor(int code);
    // The text of a socket error number, or "" when the number is not known.
    static std::string ErrorText(int code);

  private:
    int code_;
};

// Socket error 10038: the handle is not a socket.
class EIdNotASocket : public EIdSocketError {
  public:
    using EIdSocketError::EIdSocketError;
};

// Raises EIdNotASocket for 10038, EIdSocketError for any other code.
[[noreturn]] void RaiseSocketError(int code);
