#include "workflow/SpedizioneMail.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "mailing/MailText.h"
#include "smtp/IdReply.h"
#include "workflow/RegistroInvii.h"
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

enum class TEsitoVoce { Inviato, Rinviato, Fallito, Incerto, Interrotto };

struct TRisultatoVoce {
    TEsitoVoce Esito;
    int Codice = 0;
    std::string Testo;
};

// The error's first line, bounded, and its explanation when there is one.
std::string TestoFallimento(const std::exception& e) {
    std::string testo = TestoErroreBreve(e.what());
    const std::string spiegazione = SpiegaErrore(e);
    if (!spiegazione.empty()) testo += " (" + spiegazione + ")";
    return testo;
}

// Connect, send and goodbye for one entry; `primaDellaFine` runs right before
// the end of data leaves.
TRisultatoVoce InviaVoce(TIdSMTP& smtp, TIdMessage& message, const std::string& voce,
                         const std::function<void()>& primaDellaFine) {
    if (HoldsLineBreakOrNul(message.Subject()))
        return {TEsitoVoce::Fallito, 0, TestoNonValido("L'oggetto")};
    if (HoldsLineBreakOrNul(voce)) return {TEsitoVoce::Fallito, 0, TestoNonValido("L'indirizzo")};
    try {
        message.Recipients().SetListText(voce);
    } catch (const std::exception& e) {
        return {TEsitoVoce::Fallito, 0, TestoFallimento(e)};
    }
    smtp.SetOnBeforeDataEnd(primaDellaFine);
    TRisultatoVoce r{TEsitoVoce::Inviato, 0, std::string()};
    // Whether the dialogue is in step, so a goodbye can be asked for.
    bool congedo = true;
    try {
        smtp.Connect();
        smtp.Send(message);
        r.Codice = smtp.LastReply().NumericCode();
        if (!smtp.LastReply().Text().empty())
            r.Testo = TestoErroreBreve(smtp.LastReply().Text().front());
    } catch (const EIdAborted& e) {
        r = {smtp.DataEndWritten() ? TEsitoVoce::Incerto : TEsitoVoce::Interrotto, 0, e.what()};
        congedo = false;
    } catch (const EIdReplyError& e) {
        const int codice = e.ErrorCode();
        r = {codice >= 400 && codice < 500 ? TEsitoVoce::Rinviato : TEsitoVoce::Fallito, codice,
             TestoFallimento(e)};
        // 421: the server is closing the channel and answers nothing more.
        congedo = codice != 421;
    } catch (const std::exception& e) {
        r = {smtp.DataEndWritten() ? TEsitoVoce::Incerto : TEsitoVoce::Fallito, 0,
             TestoFallimento(e)};
        congedo = false;
    }
    smtp.SetOnBeforeDataEnd(nullptr);
    try {
        if (congedo) {
            if (smtp.Connected()) smtp.Disconnect(true);
        } else {
            smtp.Disconnect(false);
        }
    } catch (const std::exception&) {
        // The entry's fate was settled before the goodbye; the channel is
        // closed whatever the goodbye did.
        smtp.Disconnect(false);
    }
    return r;
}

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
    smtp.SetHost(dati.Host);
    smtp.SetPort(dati.Porta);
    smtp.SetUseTLS(dati.UseTLS);
    smtp.SetUsername(dati.Utente.empty() ? dati.Mittente : dati.Utente);
    smtp.SetPassword(dati.Password);
    smtp.SetConnectTimeout(limiti.Connessione);
    smtp.SetReadTimeout(limiti.Risposta);
    smtp.SetReplyTimeouts(limiti.PerFase);
    smtp.SetWriteTimeout(limiti.Scrittura);
    message.From().SetAddress(dati.Mittente);
    // Set on every run: left empty, the first send of the program run would
    // fill it with the sender of that time and keep it for every later one.
    message.From().SetName(dati.MittenteNome.empty() ? dati.Mittente : dati.MittenteNome);
    message.SetListUnsubscribe(dati.ListUnsubscribe);
    message.SetSubject(dati.Oggetto);
    message.SetBodyText(ComponiCorpo(dati.Righe));
}

std::string TestoErroreBreve(const std::string& testo) {
    std::size_t inizio = 0;
    // The first line that says something.
    while (inizio < testo.size() && (testo[inizio] == '\r' || testo[inizio] == '\n')) ++inizio;
    std::size_t fine = testo.find_first_of("\r\n", inizio);
    if (fine == std::string::npos) fine = testo.size();
    if (fine - inizio > TestoErroreMassimo) {
        fine = inizio + TestoErroreMassimo;
        // Never half a UTF-8 character: step back over continuation bytes.
        while (fine > inizio && (static_cast<unsigned char>(testo[fine]) & 0xC0) == 0x80) --fine;
    }
    return testo.substr(inizio, fine - inizio);
}

TEsitoInvio EseguiInvio(TIdSMTP& smtp, TIdMessage& message, const std::vector<std::string>& voci,
                        const TAvvisiInvio& avvisi, const TOpzioniInvio& opzioni) {
    TEsitoInvio esito;
    auto interrotto = [&] { return opzioni.Interrompi && opzioni.Interrompi->load(); };
    auto posizione = [&](std::size_t i) {
        return opzioni.Posizioni.empty() ? i : opzioni.Posizioni.at(i);
    };
    auto segna = [&](std::size_t i, TStatoVoce stato, int codice, const std::string& testo,
                     const std::string& messageId = std::string()) {
        if (opzioni.Registro)
            opzioni.Registro->Segna(opzioni.Spedizione, posizione(i), stato, codice, testo,
                                    messageId);
    };
    if (TIdIOHandler* io = smtp.IOHandler()) io->SetAbortFlag(opzioni.Interrompi);
    smtp.SetAbortFlag(opzioni.Interrompi);

    std::vector<std::size_t> giro(voci.size());
    for (std::size_t i = 0; i < giro.size(); ++i) giro[i] = i;
    std::size_t fatti = 0;
    for (int tentativo = 0;; ++tentativo) {
        std::vector<TFallimento> rinviati;
        for (std::size_t i : giro) {
            if (interrotto()) {
                esito.Interrotto = true;
                break;
            }
            const std::string& voce = voci[i];
            if (tentativo == 0 && avvisi.Escluso && avvisi.Escluso(i, voce)) {
                esito.Esclusi.push_back(i);
                if (avvisi.Fatto) avvisi.Fatto(++fatti);
                continue;
            }
            if (avvisi.Inizio) avvisi.Inizio(i, voce);
            if (avvisi.Componi) avvisi.Componi(i, message);
            bool inCorso = false;
            const TRisultatoVoce r = InviaVoce(smtp, message, voce, [&] {
                // The headers are written by now: an uncertain entry keeps
                // the Message-ID to look for at the receiver.
                segna(i, TStatoVoce::InCorso, 0, std::string(),
                      message.LastGeneratedHeaders().Values("Message-ID"));
                inCorso = true;
            });
            switch (r.Esito) {
                case TEsitoVoce::Inviato:
                    segna(i, TStatoVoce::Inviato, r.Codice, r.Testo);
                    ++esito.Inviati;
                    break;
                case TEsitoVoce::Rinviato:
                    segna(i, TStatoVoce::Rinviato, r.Codice, r.Testo);
                    rinviati.push_back({i, voce, r.Testo});
                    break;
                case TEsitoVoce::Fallito:
                    segna(i, TStatoVoce::Fallito, r.Codice, r.Testo);
                    esito.Falliti.push_back({i, voce, r.Testo});
                    break;
                case TEsitoVoce::Incerto:
                    segna(i, TStatoVoce::InCorso, r.Codice, r.Testo);
                    esito.Incerti.push_back({i, voce, r.Testo});
                    break;
                case TEsitoVoce::Interrotto:
                    // The end of data never left: the entry is as it was.
                    if (inCorso) segna(i, TStatoVoce::DaInviare, 0, std::string());
                    esito.Interrotto = true;
                    break;
            }
            if (esito.Interrotto) break;
            if (tentativo == 0 && avvisi.Fatto) avvisi.Fatto(++fatti);
        }
        if (esito.Interrotto || rinviati.empty() || tentativo >= opzioni.Tentativi) {
            esito.Rinviati = std::move(rinviati);
            break;
        }
        if (opzioni.Attendi)
            opzioni.Attendi(opzioni.AttesaTentativoMs);
        else
            AttendiFinoA(opzioni.AttesaTentativoMs, opzioni.Interrompi);
        giro.clear();
        for (const auto& r : rinviati) giro.push_back(r.Indice);
    }
    if (TIdIOHandler* io = smtp.IOHandler()) io->SetAbortFlag(nullptr);
    smtp.SetAbortFlag(nullptr);
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
