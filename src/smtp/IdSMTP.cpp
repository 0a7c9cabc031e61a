#include "smtp/IdSMTP.h"

#include <algorithm>

#include "mailing/IdEMailAddress.h"
#include "smtp/IdTLSException.h"
#include "text/Testo.h"

namespace {

// Failures after which the next reply cannot be trusted or will not come.
bool DialogueBroken(const std::exception& e) {
    return dynamic_cast<const EIdReadTimeout*>(&e) || dynamic_cast<const EIdWriteTimeout*>(&e) ||
           dynamic_cast<const EIdReplyTooLarge*>(&e) || dynamic_cast<const EIdAborted*>(&e) ||
           dynamic_cast<const EIdReadLnMaxLineLengthExceeded*>(&e) ||
           dynamic_cast<const EIdSocketError*>(&e) ||
           dynamic_cast<const EIdConnClosedGracefully*>(&e);
}

}  // namespace

TIdSMTP::TIdSMTP() = default;

TIdSMTP::~TIdSMTP() = default;

void TIdSMTP::Connect() {
    SetDataEndWritten(false);
    OpenConnection();
    try {
        Greet();
        NegotiateTLS();
    } catch (const EIdReplyError& e) {
        // The server said (421) it is closing: nothing more is asked.
        Disconnect(e.ErrorCode() != 421);
        throw;
    } catch (const std::exception& e) {
        // A server that went quiet or broke the dialogue gets no QUIT to wait
        // for. Otherwise a failing goodbye replaces the original error; after a
        // failed handshake the socket is closed already, so nothing is sent.
        Disconnect(!DialogueBroken(e));
        throw;
    }
}

void TIdSMTP::Greet() {
    Answering(TIdSMTPCommand::Greeting);
    ReadReplyWithin(ReplyTimeouts().Greeting, {220});
    SendGreeting();
}

void TIdSMTP::NegotiateTLS() {
    if (TLSActive()) return;
    if (UseTLS() == utUseRequireTLS || (UseTLS() == utUseExplicitTLS && HasCapability("STARTTLS")))
        StartTLS();
}

void TIdSMTP::StartTLS() {
    if (!HasCapability("STARTTLS")) throw EIdTLSNotOffered();
    if (!CanStartTLS()) throw EIdTLSError("This connection cannot be encrypted.");
    Answering(TIdSMTPCommand::StartTLS);
    SendCommand("STARTTLS", 220);
    UpgradeToTLS();
    // What the server said before the switch may have been tampered with.
    SendGreeting();
}

std::vector<std::string> TIdSMTP::AuthMechanisms(const std::vector<std::string>& capabilities) {
    std::vector<std::string> mechanisms;
    for (const auto& capability : capabilities) {
        std::string line = capability;
        for (char& c : line)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (line.size() < 5 || line.compare(0, 4, "AUTH") != 0 ||
            (line[4] != ' ' && line[4] != '='))
            continue;
        std::string rest = line.substr(4);
        std::replace(rest.begin(), rest.end(), '=', ' ');
        std::size_t pos = 0;
        while (pos < rest.size()) {
            const std::size_t start = rest.find_first_not_of(' ', pos);
            if (start == std::string::npos) break;
            const std::size_t end = std::min(rest.find(' ', start), rest.size());
            std::string word = rest.substr(start, end - start);
            if (std::find(mechanisms.begin(), mechanisms.end(), word) == mechanisms.end())
                mechanisms.push_back(std::move(word));
            pos = end;
        }
    }
    return mechanisms;
}

bool TIdSMTP::LoginDue() const {
    return authType_ == atDefault && !authenticated_ && !username_.empty();
}

namespace {

// SASL fields are split by \x01 (and lines by CR LF): one inside a user name
// or a token would forge a field.
void CheckSaslField(const std::string& text) {
    if (text.find_first_of(std::string("\x01\r\n\0", 4)) != std::string::npos)
        throw EIdInvalidLine();
}

// RFC 5801 §5.1: "," and "=" in the authorization identity of a gs2 header.
std::string Gs2Name(const std::string& name) {
    std::string escaped;
    for (char c : name) {
        if (c == ',')
            escaped += "=2C";
        else if (c == '=')
            escaped += "=3D";
        else
            escaped += c;
    }
    return escaped;
}

// The ^A that ends each SASL key=value pair (and, doubled, the message).
const std::string Kv(1, '\x01');

}  // namespace

void TIdSMTP::BearerLogin(const std::string& mechanism, const std::string& token) {
    CheckSaslField(token);
    std::string response;
    const brivano::TCancellaAllaFine cancellaRisposta(response);
    std::string afterChallenge;
    if (mechanism == "XOAUTH2") {
        // C: AUTH XOAUTH2 base64("user=" user ^A "auth=Bearer " token ^A ^A)
        // S: 235 accepted, or 334 base64(JSON error); C: "" (empty line); S: 535
        response = "user=" + username_ + Kv + "auth=Bearer " + token + Kv + Kv;
    } else {
        // RFC 7628 §3.1: gs2 header "n,a=user," then key=value pairs each
        // ended by ^A, the last by a second ^A.
        // S: 334 base64(JSON error) is answered with a lone ^A (§3.2.3); S: 535
        response = "n,a=" + Gs2Name(username_) + "," + Kv + "host=" + Host() + Kv +
                   "port=" + std::to_string(Port()) + Kv + "auth=Bearer " + token + Kv + Kv;
        afterChallenge = brivano::Base64Encode("\x01");
    }
    std::string command = "AUTH " + mechanism + " " + brivano::Base64Encode(response);
    const brivano::TCancellaAllaFine cancellaComando(command);
    try {
        if (SendCommand(command, {235, 334}) == 334) SendCommand(afterChallenge, 235);
    } catch (const EIdSMTPReplyError& refusal) {
        const TIdSMTPEnhancedCode& code = refusal.EnhancedCode();
        // 5.7.139 and the like say the mailbox may not log in this way at
        // all: a fresh token would be refused the same.
        if (refusal.ErrorCode() == 535 && !(code.Available && code.Details > 100))
            throw EIdSMTPTokenRefused(refusal);
        throw EIdSMTPLoginRefused(refusal);
    }
}

std::string TIdSMTP::BearerAuthenticate(const std::vector<std::string>& offered) {
    auto isOffered = [&offered](const char* name) {
        return std::find(offered.begin(), offered.end(), name) != offered.end();
    };
    const char* mechanism = isOffered("XOAUTH2")       ? "XOAUTH2"
                            : isOffered("OAUTHBEARER") ? "OAUTHBEARER"
                                                       : nullptr;
    if (!mechanism) throw EIdSASLNotOffered();
    CheckSaslField(username_);
    std::string first = bearerSource_(std::string());
    const brivano::TCancellaAllaFine cancellaPrimo(first);
    try {
        BearerLogin(mechanism, first);
    } catch (const EIdSMTPTokenRefused&) {
        // Once: the token may have run out since it was given.
        std::string fresh = bearerSource_(first);
        const brivano::TCancellaAllaFine cancellaNuovo(fresh);
        BearerLogin(mechanism, fresh);
    }
    return mechanism;
}

std::string TIdSMTP::Authenticate() {
    std::string used;
    if (bearerSource_ && authType_ == atDefault && !authenticated_) {
        // Never a password or no login instead: the account signs in.
        if (!TLSActive() && HasCapability("STARTTLS")) StartTLS();
        Answering(TIdSMTPCommand::Auth);
        used = BearerAuthenticate(AuthMechanisms(Capabilities()));
    } else if (LoginDue()) {
        if (!TLSActive() && HasCapability("STARTTLS")) StartTLS();
        const auto offered = AuthMechanisms(Capabilities());
        auto isOffered = [&offered](const char* name) {
            return std::find(offered.begin(), offered.end(), name) != offered.end();
        };
        Answering(TIdSMTPCommand::Auth);
        const bool plain = isOffered("PLAIN") && (preferPlain_ || !isOffered("LOGIN"));
        try {
            if (plain) {
                // RFC 4616, in one round trip: C: AUTH PLAIN base64(NUL user NUL
                // password)  S: 235. NUL separates the fields: one inside would
                // shift them.
                if (username_.find('\0') != std::string::npos ||
                    password_.Testo().find('\0') != std::string::npos)
                    throw EIdInvalidLine();
                std::string fields;
                const brivano::TCancellaAllaFine cancellaCampi(fields);
                fields.append(1, '\0').append(username_).append(1, '\0').append(password_.Testo());
                std::string command = "AUTH PLAIN " + brivano::Base64Encode(fields);
                const brivano::TCancellaAllaFine cancellaComando(command);
                SendCommand(command, 235);
                used = "PLAIN";
            } else if (isOffered("LOGIN")) {
                // AUTH LOGIN; each 334 is a server challenge of RFC 4954 §4:
                //   C: AUTH LOGIN         S: 334 VXNlcm5hbWU6   ("Username:")
                //   C: base64(user)       S: 334 UGFzc3dvcmQ6   ("Password:")
                //   C: base64(password)   S: 235
                SendCommand("AUTH LOGIN", 334);
                SendCommand(brivano::Base64Encode(username_), 334);
                std::string codificata = brivano::Base64Encode(password_.Testo());
                const brivano::TCancellaAllaFine cancellaCodificata(codificata);
                SendCommand(codificata, 235);
                used = "LOGIN";
            }
        } catch (const EIdSMTPLoginRefused&) {
            throw;
        } catch (const EIdSMTPReplyError& refusal) {
            throw EIdSMTPLoginRefused(refusal);
        }
    }
    authenticated_ = true;
    return used;
}

void TIdSMTP::CheckEnvelopeAddress(const std::string& address) {
    if (!address.empty() && (address.front() == '@' || address.back() == '@'))
        throw EIdInvalidEnvelopeAddress(address);
    bool quoted = false;
    for (std::size_t i = 0; i < address.size(); ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        if (c < 32 || c == 127 || c == '<' || c == '>' || (c == ' ' && !quoted))
            throw EIdInvalidEnvelopeAddress(address);
        if (c == '"') quoted = !quoted;
        if (c == '\\' && quoted) ++i;  // a quoted pair hides the next character
    }
}

EIdInvalidEnvelopeAddress::EIdInvalidEnvelopeAddress(const std::string& address)
    : EIdException("Indirizzo non valido per la busta: " + address.substr(0, 200)) {}

void TIdSMTP::Send(TIdMessage& message) {
    SetDataEndWritten(false);
    Authenticate();
    message.ExtraHeaders().SetHeaderValue("X-Mailer", MailAgent());

    TIdEMailAddressList recipients;
    recipients.SetListText(message.Recipients().ListText());
    if (!message.CCList().Empty())
        recipients.SetListText(recipients.ListText() + ", " + message.CCList().ListText());
    if (!message.BccList().Empty())
        recipients.SetListText(recipients.ListText() + ", " + message.BccList().ListText());

    // A message that cannot be written is refused before the envelope, while
    // the dialogue is still in step with the server.
    message.BuildHeaderLines();
    // An address that would end or extend the envelope command never reaches it.
    CheckEnvelopeAddress(message.From().Address());
    for (std::size_t i = 0; i < recipients.Count(); ++i)
        CheckEnvelopeAddress(recipients[i].Address());

    if (PipeLine() && HasCapability("PIPELINING"))
        SendPipelining(message, recipients);
    else
        SendNoPipelining(message, recipients);
}

void TIdSMTP::DisconnectNotifyPeer() {
    Answering(TIdSMTPCommand::Quit);
    SendCommandWithin(ReplyTimeouts().Quit, "QUIT", {221});
}

void TIdSMTP::Disconnect(bool notifyPeer) {
    // Cleared on every path: the next connection is a new session that must
    // log in again, also after a goodbye that went wrong.
    authenticated_ = false;
    TIdSMTPBase::Disconnect(notifyPeer);
}
