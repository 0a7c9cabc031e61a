#include "workflow/SpedizioneMail.h"

#include "mailing/MailText.h"
#include "workflow/SpiegazioneErrori.h"

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
    if (HoldsLineBreakOrNul(dati.Utente))
        throw EInvioTestoNonValido(TestoNonValido("Il nome utente"));
    if (HoldsLineBreakOrNul(dati.MittenteNome))
        throw EInvioTestoNonValido(TestoNonValido("Il nome del mittente"));
    smtp.SetHost(dati.Host);
    smtp.SetPort(dati.Porta);
    smtp.SetUseTLS(dati.UseTLS);
    smtp.SetUsername(dati.Utente.empty() ? dati.Mittente : dati.Utente);
    smtp.SetPassword(dati.Password);
    smtp.SetConnectTimeout(limiti.Connessione);
    smtp.SetReadTimeout(limiti.Risposta);
    smtp.SetReplyTimeouts(limiti.PerFase);
    message.From().SetAddress(dati.Mittente);
    // Set on every run: left empty, the first send of the program run would
    // fill it with the sender of that time and keep it for every later one.
    message.From().SetName(dati.MittenteNome.empty() ? dati.Mittente : dati.MittenteNome);
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
            esito.Falliti.push_back({i, voce, TestoConSpiegazione(e)});
        } catch (const std::exception& e) {
            esito.Falliti.push_back({i, voce, TestoConSpiegazione(e)});
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
