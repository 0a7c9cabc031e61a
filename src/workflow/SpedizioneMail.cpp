#include "workflow/SpedizioneMail.h"

#include "mailing/MailText.h"

namespace brivano {

const std::array<const char*, 9> PiePagina = {
    "Se avete ricevuto per errore questa comunicazione o non siete interessati all argomento "
    "trattato,",
    "ci scusiamo per il disturbo arrecato.",
    "Gli indirizzi email presenti nel nostro archivio provengono da  altri nostri recapiti o da "
    "elenchi",
    "di pubblico dominio pubblicati su Internet o su altri media.",
    "I vostri dati, di cui l indirizzo email, sono trattati in via informatica nel rispetto dei "
    "principi",
    "di protezione della privacy.",
    "Se NON desiderate ricevere ulteriori comunicazioni di questo tipo potete in qualsiasi momento",
    "(in base al DLGS 196/2003) cancellarvi, scrivendo a questo indirizzo mettendo nell oggetto "
    "Cancellami",
    "e specificando l email da cancellare.",
};

namespace {

std::string TestoNonValido(const std::string& campo) {
    return campo + " contiene un a capo o un carattere nullo";
}

// A reply error's text is its lines with CR LF: one line for the list.
std::string SuUnaRiga(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

std::string ComponiCorpo(const std::array<std::string, 8>& righe) {
    std::string corpo;
    for (const auto& riga : righe) corpo.append(riga).append("\r");
    corpo.append(9, '\r');
    for (const char* riga : PiePagina) corpo.append(riga).append("\r");
    return corpo;
}

void PreparaInvio(TIdSMTP& smtp, TIdMessage& message, const TDatiInvio& dati,
                  const TLimitiTempo& limiti) {
    if (HoldsLineBreakOrNul(dati.Host))
        throw EInvioTestoNonValido(TestoNonValido("L'host di spedizione"));
    if (HoldsLineBreakOrNul(dati.Mittente))
        throw EInvioTestoNonValido(TestoNonValido("L'indirizzo di spedizione"));
    smtp.SetHost(dati.Host);
    smtp.SetPort(dati.Porta);
    smtp.SetUsername(dati.Mittente);
    smtp.SetPassword(dati.Password);
    smtp.SetConnectTimeout(limiti.Connessione);
    smtp.SetReadTimeout(limiti.Risposta);
    smtp.SetReplyTimeouts(limiti.PerFase);
    message.From().SetAddress(dati.Mittente);
    message.SetSubject(dati.Oggetto);
    message.SetBodyText(ComponiCorpo(dati.Righe));
}

TEsitoInvio EseguiInvio(TIdSMTP& smtp, TIdMessage& message, const std::vector<std::string>& voci,
                        const TAvvisiInvio& avvisi) {
    TEsitoInvio esito;
    for (std::size_t i = 0; i < voci.size(); ++i) {
        const std::string& voce = voci[i];
        if (avvisi.Inizio) avvisi.Inizio(i, voce);
        bool silenzioso = false;
        try {
            if (HoldsLineBreakOrNul(message.Subject()))
                throw EInvioTestoNonValido(TestoNonValido("L'oggetto"));
            if (HoldsLineBreakOrNul(voce))
                throw EInvioTestoNonValido(TestoNonValido("L'indirizzo"));
            message.Recipients().SetListText(voce);
            smtp.Connect();
            smtp.Send(message);
        } catch (const EIdReadTimeout& e) {
            silenzioso = true;
            esito.Falliti.push_back({i, voce, e.what()});
        } catch (const std::exception& e) {
            esito.Falliti.push_back({i, voce, SuUnaRiga(e.what())});
        }
        try {
            // A server that stopped answering would let QUIT wait its whole
            // limit as well: such a dialogue is only closed.
            if (smtp.Connected()) smtp.Disconnect(!silenzioso);
        } catch (const std::exception& e) {
            esito.ErroreFatale = e.what();
            return esito;
        }
        if (avvisi.Fatto) avvisi.Fatto(i + 1);
    }
    return esito;
}

std::string TestoFallimenti(const std::vector<TFallimento>& falliti) {
    std::string testo = falliti.size() == 1 ? "Invio non riuscito per 1 indirizzo:"
                                            : "Invio non riuscito per " +
                                                  std::to_string(falliti.size()) + " indirizzi:";
    for (const auto& f : falliti) testo += "\r" + f.Voce + " - " + f.Errore;
    return testo;
}

}  // namespace brivano
