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

std::string TIdSMTP::Authenticate() {
    std::string used;
    if (LoginDue()) {
        if (!TLSActive() && HasCapability("STARTTLS")) StartTLS();
        const auto offered = AuthMechanisms(Capabilities());
        auto isOffered = [&offered](const char* name) {
            return std::find(offered.begin(), offered.end(), name) != offered.end();
        };
        try {
            // AUTH LOGIN; each 334 is a server challenge of RFC 4954 §4:
            //   C: AUTH LOGIN         S: 334 VXNlcm5hbWU6   ("Username:")
            //   C: base64(user)       S: 334 UGFzc3dvcmQ6   ("Password:")
            //   C: base64(password)   S: 235
            if (isOffered("LOGIN")) {
                SendCommand("AUTH LOGIN", 334);
                SendCommand(brivano::Base64Encode(username_), 334);
                SendCommand(brivano::Base64Encode(password_), 235);
                used = "LOGIN";
            } else if (isOffered("PLAIN")) {
                // NUL separates the fields: one inside would shift them.
                if (username_.find('\0') != std::string::npos ||
                    password_.find('\0') != std::string::npos)
                    throw EIdInvalidLine();
                std::string fields;
                fields.append(1, '\0').append(username_).append(1, '\0').append(password_);
                SendCommand("AUTH PLAIN " + brivano::Base64Encode(fields), 235);
                used = "PLAIN";
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
    SendCommandWithin(ReplyTimeouts().Quit, "QUIT", {221});
}

void TIdSMTP::Disconnect(bool notifyPeer) {
    // Cleared on every path: the next connection is a new session that must
    // log in again, also after a goodbye that went wrong.
    authenticated_ = false;
    TIdSMTPBase::Disconnect(notifyPeer);
}
