#include "workflow/RipresaInvio.h"

#include "config/F_Conf.h"

namespace brivano {

std::unique_ptr<TRegistroInvii> ApriRegistroInvii() {
    const std::string radice = LeggiReg(KeyBrivano, "PathDatiGen");
    if (radice.empty() || !std::filesystem::is_directory(radice)) return nullptr;
    return std::make_unique<TRegistroInvii>(TRegistroInvii::Percorso(radice));
}

std::string AccountInvio(const TDatiInvio& dati) {
    return dati.Host + ":" + std::to_string(dati.Porta) + " " + dati.Mittente;
}

TDatiInvio DatiDaSpedizione(const TSpedizioneRegistrata& spedizione) {
    TDatiInvio dati;
    const std::string& account = spedizione.Dati.Account;
    const std::string indirizzo = account.substr(0, account.find(' '));
    const auto duepunti = indirizzo.rfind(':');
    dati.Host = indirizzo.substr(0, duepunti);
    if (duepunti != std::string::npos) {
        try {
            dati.Porta = std::stoi(indirizzo.substr(duepunti + 1));
        } catch (const std::exception&) {
            dati.Porta = 25;
        }
    }
    dati.Mittente = spedizione.Dati.Mittente;
    dati.Oggetto = spedizione.Dati.Oggetto;
    dati.Righe = spedizione.Dati.Righe;
    return dati;
}

std::string DomandaRipresa(const TSpedizioneRegistrata& s) {
    std::string testo = "È rimasto un invio non concluso del " + s.Creata + " UTC (oggetto \"" +
                        s.Dati.Oggetto + "\"): " + std::to_string(s.Inviate) + " di " +
                        std::to_string(s.Voci) + " inviati, " + std::to_string(s.DaFare) +
                        " da inviare";
    if (s.Incerte > 0) testo += ", " + std::to_string(s.Incerte) + " incerti";
    return testo + ". Riprenderlo?";
}

std::string DomandaIncerti(std::size_t incerti) {
    return std::to_string(incerti) +
           (incerti == 1 ? " indirizzo è incerto" : " indirizzi sono incerti") +
           ": l'invio si è fermato dopo la fine del messaggio e il server potrebbe averlo già "
           "ricevuto. Inviarli di nuovo, a rischio di un doppione?";
}

std::string RiepilogoInvio(const TEsitoInvio& esito, std::size_t restano) {
    std::string testo;
    if (!esito.Falliti.empty()) testo = TestoFallimenti(esito.Falliti);
    auto riga = [&testo](const std::string& r) {
        if (!testo.empty()) testo += "\r";
        testo += r;
    };
    if (!esito.Rinviati.empty())
        riga("Rinviati dal server dopo l'ultimo tentativo: " +
             std::to_string(esito.Rinviati.size()));
    if (!esito.Incerti.empty())
        riga("Esito incerto (nessuna risposta dopo la fine del messaggio): " +
             std::to_string(esito.Incerti.size()));
    if (esito.Interrotto)
        riga("Invio interrotto: " + std::to_string(restano) + " indirizzi restano da inviare.");
    return testo;
}

}  // namespace brivano
