#include "posta/EffettiPosta.h"

#include <algorithm>

#include "posta/SessioneImap.h"
#include "workflow/FormaIndirizzo.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroInvii.h"

namespace brivano {

namespace {

// The reply code of a bounce for the journal's number column: the one the
// server wrote, else the class of the status ("5.1.1" -> 550).
int CodiceRisposta(const TIndirizzoPosta& voce) {
    const std::string& stato = voce.Stato;
    if (stato.size() == 3 && stato.find('.') == std::string::npos) return std::stoi(stato);
    for (std::size_t i = 0; i + 3 <= voce.Diagnosi.size(); ++i) {
        const std::string_view tre(voce.Diagnosi.data() + i, 3);
        const bool cifre =
            std::all_of(tre.begin(), tre.end(), [](char c) { return c >= '0' && c <= '9'; });
        const bool solo = (i == 0 || voce.Diagnosi[i - 1] == ' ') &&
                          (i + 3 == voce.Diagnosi.size() || voce.Diagnosi[i + 3] == ' ');
        if (cifre && solo && (tre[0] == '4' || tre[0] == '5')) return std::stoi(std::string(tre));
    }
    if (!stato.empty() && stato[0] == '4') return 450;
    return 550;
}

std::string MotivoRimbalzo(const TIndirizzoPosta& voce) {
    std::string motivo =
        voce.Tipo == TTipoPosta::RimbalzoDefinitivo ? "rimbalzo" : "rimbalzo temporaneo";
    if (!voce.Stato.empty()) motivo += " " + voce.Stato;
    if (!voce.Diagnosi.empty()) motivo += " " + voce.Diagnosi;
    return motivo;
}

}  // namespace

TEffettiPosta::TEffettiPosta(TRegistroInvii& registro, TNonInviare& elenco,
                             TArchivioPosta& archivio, int sogliaTemporanei)
    : registro_(registro),
      elenco_(elenco),
      archivio_(archivio),
      soglia_(std::max(1, sogliaTemporanei)) {
    std::vector<TSpedizioneRegistrata> spedizioni = registro_.Spedizioni();
    std::reverse(spedizioni.begin(), spedizioni.end());  // oldest first
    for (const TSpedizioneRegistrata& s : spedizioni) {
        for (const TVoceRegistrata& v : registro_.Voci(s.Id)) {
            if (v.Stato != TStatoVoce::Inviato && v.Stato != TStatoVoce::Rimbalzato) continue;
            const TVoceGiornale voce{s.Id, v.Posizione};
            const std::string indirizzo = ChiaveIndirizzo(v.Voce);
            perIndirizzo_[indirizzo].push_back(voce);
            std::string id = v.MessageId;
            if (id.size() >= 2 && id.front() == '<' && id.back() == '>')
                id = id.substr(1, id.size() - 2);
            if (!id.empty()) {
                perMessageId_[id] = voce;
                indirizzoDiMessageId_[id] = indirizzo;
            }
        }
    }
}

bool TEffettiPosta::Nostro(std::string_view messageId) const {
    return perMessageId_.count(std::string(messageId)) != 0;
}

// By the returned Message-ID and the recipient, else the newest sent entry of
// the recipient.
std::optional<TEffettiPosta::TVoceGiornale> TEffettiPosta::Trova(
    const std::string& indirizzo, const std::vector<std::string>& richiamati) const {
    const std::string chiave = ChiaveIndirizzo(indirizzo);
    for (const std::string& id : richiamati) {
        const auto voce = perMessageId_.find(id);
        if (voce != perMessageId_.end() && indirizzoDiMessageId_.at(id) == chiave)
            return voce->second;
    }
    const auto voci = perIndirizzo_.find(chiave);
    if (voci == perIndirizzo_.end() || voci->second.empty()) return std::nullopt;
    return voci->second.back();
}

void TEffettiPosta::Registra(TRegistrazionePosta voce,
                             const std::optional<TVoceGiornale>& giornale) {
    if (giornale) {
        voce.Spedizione = giornale->Spedizione;
        voce.Posizione = static_cast<std::int64_t>(giornale->Posizione);
    }
    archivio_.Registra(voce);
}

void TEffettiPosta::Applica(const TMessaggioElaborato& messaggio) {
    const TPostaClassificata& esito = messaggio.Esito;
    const std::string tipo = NomeTipoPosta(esito.Tipo);
    if (esito.Tipo == TTipoPosta::RispostaAutomatica || esito.Tipo == TTipoPosta::Altro) {
        if (archivio_.GiaRegistrato(esito.MessageId, "")) return;
        TRegistrazionePosta voce;
        voce.Tipo = tipo;
        voce.MessageId = esito.MessageId;
        voce.Fatto = "nessuna azione";
        const auto giornale = Trova("", esito.Richiamati);
        Registra(voce, giornale);
        return;
    }
    for (const TIndirizzoPosta& indirizzo : esito.Indirizzi) {
        if (archivio_.GiaRegistrato(esito.MessageId, indirizzo.Indirizzo)) continue;
        const auto giornale = Trova(indirizzo.Indirizzo, esito.Richiamati);
        TRegistrazionePosta voce;
        voce.Tipo = NomeTipoPosta(indirizzo.Tipo);
        voce.Indirizzo = indirizzo.Indirizzo;
        voce.Codice = indirizzo.Stato;
        voce.Diagnosi = indirizzo.Diagnosi;
        voce.MessageId = esito.MessageId;
        if (indirizzo.Tipo == TTipoPosta::RimbalzoDefinitivo) {
            std::string fatto;
            if (giornale) {
                registro_.Segna(giornale->Spedizione, giornale->Posizione, TStatoVoce::Rimbalzato,
                                CodiceRisposta(indirizzo),
                                (indirizzo.Stato + " " + indirizzo.Diagnosi).substr(0, 500));
                fatto = "voce dell'invio " + std::to_string(giornale->Spedizione) + " rimbalzata; ";
            }
            voce.MessoInElenco =
                elenco_.Aggiungi(indirizzo.Indirizzo, MotivoRimbalzo(indirizzo), esito.MessageId);
            fatto += voce.MessoInElenco ? "aggiunto all'elenco non inviare"
                                        : "già nell'elenco non inviare";
            archivio_.AzzeraTemporanei(ChiaveIndirizzo(indirizzo.Indirizzo));
            voce.Fatto = fatto;
        } else if (indirizzo.Tipo == TTipoPosta::RimbalzoTemporaneo) {
            const int volte = archivio_.ContaTemporaneo(ChiaveIndirizzo(indirizzo.Indirizzo),
                                                        giornale ? giornale->Spedizione : 0);
            voce.Fatto =
                "rimbalzo temporaneo " + std::to_string(volte) + " di " + std::to_string(soglia_);
            if (volte >= soglia_) {
                voce.MessoInElenco = elenco_.Aggiungi(
                    indirizzo.Indirizzo,
                    MotivoRimbalzo(indirizzo) + " (" + std::to_string(volte) + " volte)",
                    esito.MessageId);
                voce.Fatto += voce.MessoInElenco ? "; aggiunto all'elenco non inviare"
                                                 : "; già nell'elenco non inviare";
            }
        } else {
            // A request names its sender; an address written in its text only
            // when the journal shows it as one of our recipients.
            const bool mittente = &indirizzo == &esito.Indirizzi.front();
            if (!mittente && !perIndirizzo_.count(ChiaveIndirizzo(indirizzo.Indirizzo))) continue;
            voce.MessoInElenco =
                elenco_.Aggiungi(indirizzo.Indirizzo, MotivoRichiesta, esito.MessageId);
            voce.Fatto = voce.MessoInElenco ? "aggiunto all'elenco non inviare"
                                            : "già nell'elenco non inviare";
        }
        Registra(voce, giornale);
    }
}

void TEffettiPosta::Annulla(std::int64_t id) {
    const auto voce = archivio_.Registrazione(id);
    if (!voce)
        throw EPosta("Nessuna operazione della posta con numero " + std::to_string(id) + ".");
    if (voce->Annullata)
        throw EPosta("L'operazione " + std::to_string(id) + " è già stata annullata.");
    if (voce->MessoInElenco) elenco_.Togli(voce->Indirizzo);
    if (voce->Tipo == NomeTipoPosta(TTipoPosta::RimbalzoDefinitivo) && voce->Posizione >= 0) {
        for (const TVoceRegistrata& v : registro_.Voci(voce->Spedizione))
            if (static_cast<std::int64_t>(v.Posizione) == voce->Posizione &&
                v.Stato == TStatoVoce::Rimbalzato)
                registro_.Segna(voce->Spedizione, v.Posizione, TStatoVoce::Inviato, 250,
                                "rimbalzo annullato dall'utente");
    }
    if (voce->Tipo == NomeTipoPosta(TTipoPosta::RimbalzoTemporaneo))
        archivio_.AzzeraTemporanei(ChiaveIndirizzo(voce->Indirizzo));
    archivio_.SegnaAnnullata(id);
}

}  // namespace brivano
