#include "workflow/SessioneInvio.h"

#include <typeinfo>

#include "mailing/MailText.h"
#include "smtp/IdReply.h"
#include "workflow/SpiegazioneErrori.h"
#include "workflow/TipiInvio.h"

namespace brivano {

std::string TestoFallimento(const std::exception& e) {
    return ConDettagli(SpiegaErrore(e), TestoErroreBreve(e.what()));
}

std::string TestoNonValido(const std::string& campo) {
    return campo + " contiene un a capo o un carattere nullo";
}

TSessioneInvio::TSessioneInvio(TIdSMTP& smtp, int perConnessione)
    : smtp_(smtp), perConnessione_(perConnessione < 1 ? 1 : perConnessione) {}

TSessioneInvio::~TSessioneInvio() {
    Chiudi();
}

void TSessioneInvio::Chiudi() {
    if (aperta_) Congeda(true);
}

void TSessioneInvio::Congeda(bool quit) {
    try {
        if (quit) {
            if (smtp_.Connected()) smtp_.Disconnect(true);
        } else {
            smtp_.Disconnect(false);
        }
    } catch (const std::exception&) {
        // Every entry was settled before the goodbye; the channel is closed
        // whatever the goodbye did.
        try {
            smtp_.Disconnect(false);
        } catch (const std::exception&) {
        }
    }
    aperta_ = false;
    nellaSessione_ = 0;
}

TRisultatoVoce TSessioneInvio::Invia(TIdMessage& message, const std::string& voce,
                                     const std::function<void()>& primaDellaFine) {
    if (HoldsLineBreakOrNul(message.Subject()))
        return {TEsitoVoce::Fallito, 0, TestoNonValido("L'oggetto")};
    if (HoldsLineBreakOrNul(voce)) return {TEsitoVoce::Fallito, 0, TestoNonValido("L'indirizzo")};
    // Before any connection: a file that went after the check stops this one.
    for (const auto& file : message.Attachments())
        if (!file.Contenuto)
            return {TEsitoVoce::Fallito, 0, EAllegatoIlleggibile(file.Nome).what()};
    try {
        message.Recipients().SetListText(voce);
    } catch (const std::exception& e) {
        return {TEsitoVoce::Fallito, 0, TestoFallimento(e)};
    }
    smtp_.SetOnBeforeDataEnd(primaDellaFine);
    bool rotta = false;
    TRisultatoVoce r = Tenta(message, rotta);
    // Nothing of this message was taken: a fresh session gets it.
    if (rotta) r = Tenta(message, rotta);
    smtp_.SetOnBeforeDataEnd(nullptr);
    return r;
}

TRisultatoVoce TSessioneInvio::Tenta(TIdMessage& message, bool& rotta) {
    // A server may close an idle session (or say 421 and close) between two
    // messages; looking first avoids writing a batch into a closed socket.
    if (aperta_ && !smtp_.Connected()) Congeda(false);
    const bool riusata = aperta_;
    rotta = false;
    TRisultatoVoce r{TEsitoVoce::Inviato, 0, std::string()};
    // Whether the dialogue is in step, so the session may go on or say goodbye.
    bool inPasso = true;
    try {
        if (!aperta_) {
            nellaSessione_ = 0;
            smtp_.Connect();
            aperta_ = true;
        }
        smtp_.Send(message);
        r.Codice = smtp_.LastReply().NumericCode();
        if (!smtp_.LastReply().Text().empty())
            r.Testo = TestoErroreBreve(smtp_.LastReply().Text().front());
    } catch (const EIdAborted& e) {
        // A stop of the user's says nothing more; another stop (a sign-in to
        // do again) gives its reason.
        r = {smtp_.DataEndWritten() ? TEsitoVoce::Incerto : TEsitoVoce::Interrotto, 0,
             typeid(e) == typeid(EIdAborted) ? std::string() : std::string(e.what())};
        inPasso = false;
    } catch (const EIdReplyError& e) {
        const int codice = e.ErrorCode();
        r = {codice >= 400 && codice < 500 ? TEsitoVoce::Rinviato : TEsitoVoce::Fallito, codice,
             TestoFallimento(e)};
        // 421: the server is closing the channel and answers nothing more.
        inPasso = codice != 421;
    } catch (const std::exception& e) {
        r = {smtp_.DataEndWritten() ? TEsitoVoce::Incerto : TEsitoVoce::Fallito, 0,
             TestoFallimento(e)};
        inPasso = false;
        rotta = riusata && !smtp_.DataEndWritten() &&
                (dynamic_cast<const EIdConnClosedGracefully*>(&e) ||
                 dynamic_cast<const EIdSocketError*>(&e));
    }
    ++nellaSessione_;
    if (!inPasso)
        Congeda(false);
    else if (nellaSessione_ >= perConnessione_)
        Congeda(true);
    return r;
}

}  // namespace brivano
