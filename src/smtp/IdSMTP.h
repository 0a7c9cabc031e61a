#pragma once
// The SMTP client: connect with the greeting, encrypt as UseTLS asks, log in
// when a user name is set (AUTH LOGIN when offered, else AUTH PLAIN; PLAIN
// first when asked to; XOAUTH2 or OAUTHBEARER with a bearer token), send one
// message, and say goodbye with QUIT.
//
// Connect runs the steps OpenConnection, Greet and NegotiateTLS; a caller
// that reports each step (a connection test) may run them one by one, then
// Authenticate and Disconnect. Whatever UseTLS says, a password never goes
// out on a plain connection to a server that offers STARTTLS: the login
// encrypts first.

#include <functional>
#include <string>
#include <vector>

#include "exception/IdException.h"
#include "smtp/IdReplySMTP.h"
#include "smtp/IdSMTPBase.h"
#include "text/Segreto.h"

// The server refused the login (535 and the like): the user name or password
// is wrong, or the account may not log in this way. Carries the server's reply.
class EIdSMTPLoginRefused : public EIdSMTPReplyError {
  public:
    explicit EIdSMTPLoginRefused(const EIdSMTPReplyError& refusal)
        : EIdSMTPReplyError(refusal.what(), refusal.ErrorCode(), refusal.EnhancedCode(),
                            refusal.Command()) {}
};

// The server refused the bearer token: it expired, was revoked or is not for
// this mailbox. A fresh token may be accepted.
class EIdSMTPTokenRefused : public EIdSMTPLoginRefused {
  public:
    using EIdSMTPLoginRefused::EIdSMTPLoginRefused;
};

// A login with a bearer token is due and the server offers neither XOAUTH2
// nor OAUTHBEARER: nothing was sent, and no password or unauthenticated
// send takes its place.
class EIdSASLNotOffered : public EIdException {
  public:
    EIdSASLNotOffered()
        : EIdException("Il server non offre l'accesso con token (AUTH XOAUTH2 o OAUTHBEARER)") {}
};

// Gives the bearer token for a login. `refused` is empty for the first
// login of a session, else the token the server just refused, so the giver
// can fetch a fresh one (once for every connection that saw the same token).
using TIdBearerSource = std::function<std::string(const std::string& refused)>;

enum TIdSMTPAuthenticationType { atNone, atDefault, atSASL };

// An envelope address holding "<", ">", a control character or a space
// outside quotes; raised before any envelope command is written.
class EIdInvalidEnvelopeAddress : public EIdException {
  public:
    explicit EIdInvalidEnvelopeAddress(const std::string& address);
};

class TIdSMTP : public TIdSMTPBase {
  public:
    TIdSMTP();
    ~TIdSMTP() override;

    const std::string& Username() const { return username_; }
    void SetUsername(const std::string& name) { username_ = name; }
    const std::string& Password() const { return password_.Testo(); }
    void SetPassword(brivano::TSegreto password) { password_ = std::move(password); }
    TIdSMTPAuthenticationType AuthType() const { return authType_; }
    void SetAuthType(TIdSMTPAuthenticationType type) { authType_ = type; }
    // With a saved account: AUTH PLAIN (one round trip) when offered, else
    // LOGIN. Off, LOGIN comes first as always.
    bool PreferPlain() const { return preferPlain_; }
    void SetPreferPlain(bool prefer) { preferPlain_ = prefer; }
    // When set, the login uses a bearer token (XOAUTH2 when offered, else
    // OAUTHBEARER) and never the password.
    void SetBearerSource(TIdBearerSource source) { bearerSource_ = std::move(source); }
    // Mechanism names for atSASL, which nothing here uses.
    std::vector<std::string>& SASLMechanisms() { return saslMechanisms_; }

    // Opens the connection, reads the 220 greeting, greets, and encrypts as
    // UseTLS asks; on any failure after the TCP connect it disconnects first,
    // then raises.
    void Connect() override;

    // The steps of Connect. None of them disconnects on failure.
    // TCP connect, with the handshake for utUseImplicitTLS.
    void OpenConnection() { TIdSMTPBase::Connect(); }
    // The 220 greeting, then EHLO (or HELO) and the capability list.
    void Greet();
    // STARTTLS when UseTLS asks for it: utUseExplicitTLS when offered,
    // utUseRequireTLS always (EIdTLSNotOffered when not offered).
    void NegotiateTLS();
    // "STARTTLS" (220), the handshake on the same socket, then EHLO again and
    // a fresh capability list. EIdTLSNotOffered when the server does not
    // offer it; EIdTLSError without a TLS-capable channel (nothing sent).
    void StartTLS();
    // Logs in now, once per connection, as Send does first, and returns the
    // mechanism used: "LOGIN", "PLAIN", "XOAUTH2", "OAUTHBEARER", or "" when
    // nothing was sent (no user name, atNone, or neither password mechanism
    // offered). EIdSMTPLoginRefused when refused; with a bearer token, a
    // refused token is asked for again once, then EIdSMTPTokenRefused, and
    // EIdSASLNotOffered when no token mechanism is offered.
    std::string Authenticate();
    // Delivers the message: authentication (once per connection), the
    // envelope to every To, Cc and Bcc address, the text and its end.
    void Send(TIdMessage& message);
    // QUIT (expecting 221) while connected, then closes in every case.
    void Disconnect(bool notifyPeer = true) override;

    bool DidAuthenticate() const { return authenticated_; }

    // Raises EIdInvalidEnvelopeAddress for an address unfit for MAIL or RCPT:
    // one that would end or extend the command, or with an empty local part
    // or domain (what is left of a text the address parse could not take).
    static void CheckEnvelopeAddress(const std::string& address);

    // The mechanisms named by the AUTH lines of a capability list, each once.
    static std::vector<std::string> AuthMechanisms(const std::vector<std::string>& capabilities);

  protected:
    void DisconnectNotifyPeer() override;

  private:
    // Whether a login is due: atDefault, a user name, not yet logged in.
    bool LoginDue() const;
    // One login with the token; EIdSMTPTokenRefused when refused.
    void BearerLogin(const std::string& mechanism, const std::string& token);
    std::string BearerAuthenticate(const std::vector<std::string>& offered);

    std::string username_;
    brivano::TSegreto password_;
    TIdSMTPAuthenticationType authType_ = atDefault;
    std::vector<std::string> saslMechanisms_;
    bool preferPlain_ = false;
    TIdBearerSource bearerSource_;
    bool authenticated_ = false;
};
