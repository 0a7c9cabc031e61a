#pragma once
// The SMTP client: connect with the greeting, log in with AUTH LOGIN when the
// server offers it, send one message, and say goodbye with QUIT.

#include <string>
#include <vector>

#include "smtp/IdSMTPBase.h"

enum TIdSMTPAuthenticationType { atNone, atDefault, atSASL };

class TIdSMTP : public TIdSMTPBase {
  public:
    TIdSMTP();
    ~TIdSMTP() override;

    const std::string& Username() const { return username_; }
    void SetUsername(const std::string& name) { username_ = name; }
    const std::string& Password() const { return password_; }
    void SetPassword(const std::string& password) { password_ = password; }
    TIdSMTPAuthenticationType AuthType() const { return authType_; }
    void SetAuthType(TIdSMTPAuthenticationType type) { authType_ = type; }
    // Mechanism names for atSASL, which nothing here uses.
    std::vector<std::string>& SASLMechanisms() { return saslMechanisms_; }

    // Opens the connection, reads the 220 greeting and greets; on any failure
    // after the TCP connect it disconnects first, then raises.
    void Connect() override;
    // Delivers the message: authentication (once per connection), the
    // envelope to every To, Cc and Bcc address, the text and its end.
    void Send(TIdMessage& message);
    // QUIT (expecting 221) while connected, then closes in every case.
    void Disconnect(bool notifyPeer = true) override;

    bool DidAuthenticate() const { return authenticated_; }
    // Logs in, once per connection, as Send does first; the connection test
    // of the sending account runs it alone.
    void Authenticate();

    // The mechanisms named by the AUTH lines of a capability list, each once.
    static std::vector<std::string> AuthMechanisms(const std::vector<std::string>& capabilities);

  protected:
    void DisconnectNotifyPeer() override;

  private:
    std::string username_;
    std::string password_;
    TIdSMTPAuthenticationType authType_ = atDefault;
    std::vector<std::string> saslMechanisms_;
    bool authenticated_ = false;
};

namespace brivano {

// Standard base64 with "=" fill, as one line.
std::string Base64Encode(const std::string& bytes);

}  // namespace brivano
