#include "workflow/SpedizioneMail.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "mailing/MailText.h"
#include "workflow/ConnessioniInvio.h"
#include "workflow/GiroInvio.h"
#include "workflow/LavoroParallelo.h"
#include "workflow/SessioneInvio.h"

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

void AttendiFinoA(int ms, const std::atomic<bool>* interrompi) {
    const auto fine = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < fine) {
        if (interrompi && interrompi->load()) return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(100), fine - std::chrono::steady_clock::now()));
    }
}

}  // namespace

std::string ComponiCorpo(const std::array<std::string, 8>& righe) {
    return ComponiCorpo(righe, std::vector<std::string>(PiePagina.begin(), PiePagina.end()));
}

std::string ComponiCorpo(const std::array<std::string, 8>& righe,
                         const std::vector<std::string>& piePagina) {
    std::string corpo;
    for (const auto& riga : righe) corpo.append(riga).append("\r");
    corpo.append(9, '\r');
    for (const auto& riga : piePagina) corpo.append(riga).append("\r");
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
    PreparaConnessione(smtp, dati, limiti);
    message.From().SetAddress(dati.Mittente);
    // Set on every run: left empty, the first send of the program run would
    // fill it with the sender of that time and keep it for every later one.
    message.From().SetName(dati.MittenteNome.empty() ? dati.Mittente : dati.MittenteNome);
    message.SetListUnsubscribe(dati.ListUnsubscribe);
    message.SetSubject(dati.Oggetto);
    message.SetBodyText(ComponiCorpo(dati.Righe));
}

void PreparaConnessione(TIdSMTP& smtp, const TDatiInvio& dati, const TLimitiTempo& limiti) {
    smtp.SetHost(dati.Host);
    smtp.SetPort(dati.Porta);
    smtp.SetUseTLS(dati.UseTLS);
    smtp.SetTrustedCertificate(dati.CertificatoFidato);
    smtp.SetUsername(dati.Utente.empty() ? dati.Mittente : dati.Utente);
    smtp.SetPassword(dati.Password);
    smtp.SetPreferPlain(dati.PreferisciPlain);
    smtp.SetBearerSource(dati.Token);
    smtp.SetConnectTimeout(limiti.Connessione);
    smtp.SetReadTimeout(limiti.Risposta);
    smtp.SetReplyTimeouts(limiti.PerFase);
    smtp.SetWriteTimeout(limiti.Scrittura);
}

void ImpostaConnessioni(TOpzioniInvio& opzioni, const TDatiInvio& dati,
                        const TLimitiTempo& limiti) {
    opzioni.PerConnessione = dati.PerConnessione;
    opzioni.Connessioni = dati.Connessioni;
    opzioni.NuovaConnessione = [dati, limiti](TIdSMTP& smtp) {
        PreparaConnessione(smtp, dati, limiti);
    };
}

TEsitoInvio EseguiInvio(TIdSMTP& smtp, TIdMessage& message, const std::vector<std::string>& voci,
                        const TAvvisiInvio& avvisi, const TOpzioniInvio& opzioni) {
    TEsitoInvio esito;
    TConnessioniInvio connessioni(smtp, message, opzioni);
    TLavoroVoci lavoro(voci, avvisi, opzioni);
    std::vector<std::size_t> giro(voci.size());
    for (std::size_t i = 0; i < giro.size(); ++i) giro[i] = i;
    for (int tentativo = 0;; ++tentativo) {
        std::vector<TPostoGiro> posti(giro.size());
        lavoro.Riparti();
        DistribuisciVoci(
            connessioni.Numero(), giro.size(),
            [&](std::size_t n, std::size_t k) {
                return lavoro.Lavora(connessioni[n], giro[k], tentativo == 0, posti[k]);
            },
            [&] { return lavoro.Fermato() || (opzioni.Interrompi && opzioni.Interrompi->load()); });
        connessioni.ChiudiTutte();
        std::vector<TFallimento> rinviati = RaccogliGiro(giro, posti, voci, esito);
        if (esito.Interrotto || rinviati.empty() || tentativo >= opzioni.Tentativi) {
            esito.Rinviati = std::move(rinviati);
            return esito;
        }
        if (opzioni.Attendi)
            opzioni.Attendi(opzioni.AttesaTentativoMs);
        else
            AttendiFinoA(opzioni.AttesaTentativoMs, opzioni.Interrompi);
        giro.clear();
        for (const auto& r : rinviati) giro.push_back(r.Indice);
    }
}

}  // namespace brivano
