#include "workflow/GiroInvio.h"

#include "mailing/IdMessage.h"
#include "mailing/IdMessageId.h"
#include "workflow/Cadenza.h"
#include "workflow/RegistroInvii.h"

namespace brivano {

std::size_t TLavoroVoci::Posizione(std::size_t indice) const {
    return opzioni_.Posizioni.empty() ? indice : opzioni_.Posizioni.at(indice);
}

void TLavoroVoci::Segna(std::size_t indice, TStatoVoce stato, int codice, const std::string& testo,
                        const std::string& messageId) {
    if (!opzioni_.Registro) return;
    opzioni_.Registro->Segna(opzioni_.Spedizione, Posizione(indice), stato, codice, testo,
                             messageId);
}

void TLavoroVoci::Fatto() {
    // Called with avvisiMutex_ held.
    ++fatti_;
    if (avvisi_.Fatto) avvisi_.Fatto(fatti_);
}

std::string TLavoroVoci::MessageIdLeft(std::size_t indice) {
    if (indice < opzioni_.MessageId.size()) {
        const std::string& id = opzioni_.MessageId[indice];
        const auto chiocciola = id.rfind('@');
        if (id.size() > 2 && id.front() == '<' && chiocciola != std::string::npos && chiocciola > 1)
            return id.substr(1, chiocciola - 1);
    }
    std::lock_guard<std::mutex> lock(idMutex_);
    auto [it, nuovo] = idFatti_.try_emplace(indice);
    if (nuovo) it->second = NewMessageIdLeft();
    return it->second;
}

bool TLavoroVoci::Lavora(TConnessione& c, std::size_t indice, bool primoGiro, TPostoGiro& posto) {
    const std::string& voce = voci_[indice];
    {
        std::lock_guard<std::mutex> lock(avvisiMutex_);
        if (primoGiro && avvisi_.Escluso && avvisi_.Escluso(indice, voce)) {
            posto.Escluso = true;
            Fatto();
        }
    }
    if (posto.Escluso) {
        // Final: a run whose other entries are done is finished, and never
        // offered for resume because of it.
        if (opzioni_.Registro)
            opzioni_.Registro->Escludi(opzioni_.Spedizione, Posizione(indice),
                                       TMotivoEsclusione::NonInviare);
        return true;
    }
    // Outside the lock: the other connections go on meanwhile. No session
    // idles through a wait: the server would drop it.
    if (opzioni_.Cadenza) {
        if (opzioni_.Cadenza->DeveAttendere()) c.Sessione->Chiudi();
        if (!opzioni_.Cadenza->AttendiTurno()) {
            fermato_ = true;
            return false;
        }
    }
    if (opzioni_.Registro) {
        // One transaction decides: the run is still this process's, the
        // entry still to send and its address not yet served; the id is
        // kept before any byte of the message leaves.
        const TIdEMailAddressList& da = c.Message->FromList();
        const std::string id =
            opzioni_.IdPerVoce
                ? MessageIdFor(MessageIdLeft(indice), da.Empty() ? std::string() : da[0].Address())
                : std::string();
        const TAvvioVoce avvio =
            opzioni_.Registro->Avvia(opzioni_.Spedizione, Posizione(indice), id);
        if (!avvio.Via) {
            posto.Saltato = true;
            posto.Motivo = avvio.Motivo;
            std::lock_guard<std::mutex> lock(avvisiMutex_);
            if (primoGiro) Fatto();
            return true;
        }
    }
    {
        std::lock_guard<std::mutex> lock(avvisiMutex_);
        if (avvisi_.Inizio) avvisi_.Inizio(indice, voce);
        if (avvisi_.Componi) avvisi_.Componi(indice, *c.Message);
    }
    // Every header of this entry's message carries the same id, so the
    // journal keeps the one on the wire.
    if (opzioni_.IdPerVoce)
        c.Message->SetMessageIdLeft([left = MessageIdLeft(indice)] { return left; });
    const TRisultatoVoce r = c.Sessione->Invia(*c.Message, voce, [&] {
        // The headers are written by now: an uncertain entry keeps the
        // Message-ID to look for at the receiver.
        Segna(indice, TStatoVoce::InCorso, 0, std::string(),
              c.Message->LastGeneratedHeaders().Values("Message-ID"));
    });
    if (opzioni_.Cadenza)
        opzioni_.Cadenza->Registra(r.Esito == TEsitoVoce::Inviato ||
                                   r.Esito == TEsitoVoce::Incerto);
    switch (r.Esito) {
        case TEsitoVoce::Inviato:
            Segna(indice, TStatoVoce::Inviato, r.Codice, r.Testo);
            break;
        case TEsitoVoce::Rinviato:
            Segna(indice, TStatoVoce::Rinviato, r.Codice, r.Testo);
            break;
        case TEsitoVoce::Fallito:
            Segna(indice, TStatoVoce::Fallito, r.Codice, r.Testo);
            break;
        case TEsitoVoce::Incerto:
            Segna(indice, TStatoVoce::InCorso, r.Codice, r.Testo);
            break;
        case TEsitoVoce::Interrotto:
            // The end of data never left: the entry is to send again.
            Segna(indice, TStatoVoce::DaInviare, 0, std::string());
            fermato_ = true;
            break;
    }
    posto.Risultato = r;
    if (r.Esito == TEsitoVoce::Interrotto) return false;
    if (primoGiro) {
        std::lock_guard<std::mutex> lock(avvisiMutex_);
        Fatto();
    }
    return true;
}

std::vector<TFallimento> RaccogliGiro(const std::vector<std::size_t>& giro,
                                      const std::vector<TPostoGiro>& posti,
                                      const std::vector<std::string>& voci, TEsitoInvio& esito) {
    std::vector<TFallimento> rinviati;
    for (std::size_t k = 0; k < giro.size(); ++k) {
        const std::size_t i = giro[k];
        if (posti[k].Escluso) {
            esito.Esclusi.push_back(i);
            continue;
        }
        if (posti[k].Saltato) {
            esito.Saltati.push_back({i, posti[k].Motivo});
            continue;
        }
        if (!posti[k].Risultato) {
            esito.Interrotto = true;
            continue;
        }
        const TRisultatoVoce& r = *posti[k].Risultato;
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
                if (esito.MotivoInterruzione.empty()) esito.MotivoInterruzione = r.Testo;
                break;
        }
    }
    return rinviati;
}

}  // namespace brivano
