#include "posta/PostaMittente.h"

#include <cstdlib>
#include <map>

#include "posta/EffettiPosta.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroInvii.h"

namespace brivano {

TAccessoImap AccessoPer(const TAccountPosta& posta, const TAccountInvio& invio,
                        const std::string& password) {
    TAccessoImap accesso;
    accesso.Host = posta.Host;
    accesso.Porta = posta.Porta;
    accesso.Sicurezza = posta.Sicurezza;
    accesso.Utente = posta.Utente.empty() ? invio.UtenteAccesso() : posta.Utente;
    accesso.Password = password;
    return accesso;
}

TEsitoControllo ControllaPostaMittente(const std::filesystem::path& radiceDati,
                                       const TAccountPosta& posta, const TAccessoImap& accesso) {
    TRegistroInvii registro(TRegistroInvii::Percorso(radiceDati));
    TNonInviare elenco(PercorsoNonInviare(radiceDati.string() + "/"));
    TArchivioPosta archivio(TArchivioPosta::Percorso(radiceDati));
    TEffettiPosta effetti(registro, elenco, archivio, posta.Temporanei);
    TOpzioniControllo opzioni;
    opzioni.Dopo = posta.Dopo;
    return ControllaPosta(
        accesso, archivio, opzioni, [&](const TMessaggioElaborato& m) { effetti.Applica(m); },
        [&](std::string_view id) { return effetti.Nostro(id); });
}

std::string ProvaPostaInArrivo(const TAccessoImap& accesso) {
    TSessioneImap sessione(accesso);
    // EXAMINE opens the inbox read-only: nothing is marked or moved.
    std::uint64_t messaggi = 0;
    for (const TRigaImap& riga : sessione.ComandoOk("EXAMINE INBOX").Righe)
        if (riga.Testo.size() > 9 && riga.Testo.compare(riga.Testo.size() - 7, 7, " EXISTS") == 0)
            messaggi = std::strtoull(riga.Testo.c_str() + 2, nullptr, 10);
    return "Posta in arrivo (IMAP): accesso riuscito a " + accesso.Host + ":" +
           std::to_string(accesso.Porta) + " come " + accesso.Utente +
           "; messaggi in INBOX: " + std::to_string(messaggi) + ".";
}

std::string TestoEsitoControllo(const TEsitoControllo& esito) {
    if (esito.Nuovi == 0) return "Nessun messaggio nuovo dall'ultimo controllo.";
    std::map<TTipoPosta, std::size_t> conta;
    for (const TMessaggioElaborato& m : esito.Elaborati) ++conta[m.Esito.Tipo];
    std::string testo =
        "Messaggi nuovi: " + std::to_string(esito.Nuovi) +
        ". Rimbalzi definitivi: " + std::to_string(conta[TTipoPosta::RimbalzoDefinitivo]) +
        ", temporanei: " + std::to_string(conta[TTipoPosta::RimbalzoTemporaneo]) +
        "; richieste \"Cancellami\": " + std::to_string(conta[TTipoPosta::Cancellami]) +
        "; risposte automatiche: " + std::to_string(conta[TTipoPosta::RispostaAutomatica]) +
        "; altri lasciati dove sono: " + std::to_string(esito.Altri) + ".";
    if (esito.TroppoGrandi > 0)
        testo += " Non letti perché oltre 10 MB: " + std::to_string(esito.TroppoGrandi) + ".";
    if (!esito.Elaborati.empty()) {
        testo += " Messaggi elaborati " + esito.Sistemazione;
        if (esito.Sistemazione.rfind("segnati", 0) == 0)
            testo += std::string(" (") + ParolaElaborato + ").";
        else
            testo += std::string(" in ") + CartellaElaborati + ".";
    }
    if (esito.ValiditaCambiata)
        testo +=
            " La casella è stata ricostruita sul server (UIDVALIDITY cambiato): riletta tutta.";
    return testo;
}

}  // namespace brivano
