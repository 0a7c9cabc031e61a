#include "workflow/SpedizioneMail.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "mailing/MailText.h"
#include "smtp/IdReply.h"
#include "workflow/Cadenza.h"
#include "workflow/LavoroParallelo.h"
#include "workflow/RegistroInvii.h"
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

// One connection of the run: its client and message (the caller's for the
// first, its own for every other) and the session over them.
struct TConnessione {
    std::unique_ptr<TIdSMTP> Proprio;
    std::optional<TIdMessage> Copia;
    TIdSMTP* Smtp = nullptr;
    TIdMessage* Message = nullptr;
    std::unique_ptr<TSessioneInvio> Sessione;
};

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
    smtp.SetUsername(dati.Utente.empty() ? dati.Mittente : dati.Utente);
    smtp.SetPassword(dati.Password);
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
    std::vector<TConnessione> connessioni(static_cast<std::size_t>(
        opzioni.NuovaConnessione ? std::clamp(opzioni.Connessioni, 1, ConnessioniMassime) : 1));
    for (std::size_t n = 0; n < connessioni.size(); ++n) {
        TConnessione& c = connessioni[n];
        if (n == 0) {
            c.Smtp = &smtp;
            c.Message = &message;
        } else {
            c.Proprio = std::make_unique<TIdSMTP>();
            opzioni.NuovaConnessione(*c.Proprio);
            c.Smtp = c.Proprio.get();
            c.Copia.emplace(message);
            c.Message = &*c.Copia;
        }
        if (TIdIOHandler* io = c.Smtp->IOHandler()) io->SetAbortFlag(opzioni.Interrompi);
        c.Smtp->SetAbortFlag(opzioni.Interrompi);
        c.Sessione = std::make_unique<TSessioneInvio>(*c.Smtp, opzioni.PerConnessione);
    }

    std::vector<std::size_t> giro(voci.size());
    for (std::size_t i = 0; i < giro.size(); ++i) giro[i] = i;
    // Notices and the count of entries done, one worker at a time.
    std::mutex avvisiMutex;
    std::size_t fatti = 0;
    for (int tentativo = 0;; ++tentativo) {
        // Per place in the round: the entry's result, or excluded; neither
        // when the run stopped before it.
        std::vector<std::optional<TRisultatoVoce>> risultati(giro.size());
        std::vector<char> esclusi(giro.size(), 0);
        std::atomic<bool> fermato{false};
        auto lavora = [&](std::size_t n, std::size_t k) {
            const std::size_t i = giro[k];
            const std::string& voce = voci[i];
            TConnessione& c = connessioni[n];
            {
                std::lock_guard<std::mutex> lock(avvisiMutex);
                if (tentativo == 0 && avvisi.Escluso && avvisi.Escluso(i, voce)) {
                    esclusi[k] = 1;
                    if (avvisi.Fatto) avvisi.Fatto(++fatti);
                    return true;
                }
            }
            // Outside the lock: the other workers go on meanwhile. No
            // session idles through a wait: the server would drop it.
            if (opzioni.Cadenza) {
                if (opzioni.Cadenza->DeveAttendere()) c.Sessione->Chiudi();
                if (!opzioni.Cadenza->AttendiTurno()) {
                    fermato = true;
                    return false;
                }
            }
            {
                std::lock_guard<std::mutex> lock(avvisiMutex);
                if (avvisi.Inizio) avvisi.Inizio(i, voce);
                if (avvisi.Componi) avvisi.Componi(i, *c.Message);
            }
            bool inCorso = false;
            const TRisultatoVoce r = c.Sessione->Invia(*c.Message, voce, [&] {
                // The headers are written by now: an uncertain entry keeps
                // the Message-ID to look for at the receiver.
                segna(i, TStatoVoce::InCorso, 0, std::string(),
                      c.Message->LastGeneratedHeaders().Values("Message-ID"));
                inCorso = true;
            });
            if (opzioni.Cadenza)
                opzioni.Cadenza->Registra(r.Esito == TEsitoVoce::Inviato ||
                                          r.Esito == TEsitoVoce::Incerto);
            switch (r.Esito) {
                case TEsitoVoce::Inviato:
                    segna(i, TStatoVoce::Inviato, r.Codice, r.Testo);
                    break;
                case TEsitoVoce::Rinviato:
                    segna(i, TStatoVoce::Rinviato, r.Codice, r.Testo);
                    break;
                case TEsitoVoce::Fallito:
                    segna(i, TStatoVoce::Fallito, r.Codice, r.Testo);
                    break;
                case TEsitoVoce::Incerto:
                    segna(i, TStatoVoce::InCorso, r.Codice, r.Testo);
                    break;
                case TEsitoVoce::Interrotto:
                    // The end of data never left: the entry is as it was.
                    if (inCorso) segna(i, TStatoVoce::DaInviare, 0, std::string());
                    fermato = true;
                    break;
            }
            risultati[k] = r;
            if (r.Esito == TEsitoVoce::Interrotto) return false;
            if (tentativo == 0 && avvisi.Fatto) {
                std::lock_guard<std::mutex> lock(avvisiMutex);
                avvisi.Fatto(++fatti);
            }
            return true;
        };
        DistribuisciVoci(connessioni.size(), giro.size(), lavora,
                         [&] { return fermato.load() || interrotto(); });
        // No session idles through the wait before the next round.
        for (auto& c : connessioni) c.Sessione->Chiudi();

        std::vector<TFallimento> rinviati;
        for (std::size_t k = 0; k < giro.size(); ++k) {
            const std::size_t i = giro[k];
            if (esclusi[k]) {
                esito.Esclusi.push_back(i);
                continue;
            }
            if (!risultati[k]) {
                esito.Interrotto = true;
                continue;
            }
            const TRisultatoVoce& r = *risultati[k];
            switch (r.Esito) {
                case TEsitoVoce::Inviato:
                    ++esito.Inviati;
                    break;
                case TEsitoVoce::Rinviato:
                    rinviati.push_back({i, voci[i], r.Testo});
                    break;
                case TEsitoVoce::Fallito:
                    esito.Falliti.push_back({i, voci[i], r.Testo});
                    break;
                case TEsitoVoce::Incerto:
                    esito.Incerti.push_back({i, voci[i], r.Testo});
                    break;
                case TEsitoVoce::Interrotto:
                    esito.Interrotto = true;
                    break;
            }
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
    for (auto& c : connessioni) {
        if (TIdIOHandler* io = c.Smtp->IOHandler()) io->SetAbortFlag(nullptr);
        c.Smtp->SetAbortFlag(nullptr);
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
