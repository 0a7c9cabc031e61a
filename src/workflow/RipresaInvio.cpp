#include "workflow/RipresaInvio.h"

#include <ctime>
#include <iomanip>
#include <sstream>

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

namespace {

// The journal's UTC text as broken-down local time; false for another text.
bool Locale(const std::string& utc, std::tm& locale) {
    std::tm t{};
    std::istringstream in(utc);
    in >> std::get_time(&t, "%Y-%m-%d %H:%M:%S");
    if (in.fail()) return false;
    const std::time_t istante = ::timegm(&t);
    return ::localtime_r(&istante, &locale) != nullptr;
}

std::string Formato(const std::tm& t, const char* formato) {
    std::ostringstream out;
    out << std::put_time(&t, formato);
    return out.str();
}

std::string Destinatari(std::size_t n) {
    return n == 1 ? "1 destinatario" : std::to_string(n) + " destinatari";
}

}  // namespace

std::string OraLocale(const std::string& utc) {
    std::tm t{};
    return Locale(utc, t) ? Formato(t, "%Y-%m-%d %H:%M:%S") : utc;
}

std::string GiornoEOraLocali(const std::string& utc) {
    std::tm t{};
    if (!Locale(utc, t)) return utc;
    return std::to_string(t.tm_mday) + "/" + std::to_string(t.tm_mon + 1) + " alle " +
           Formato(t, "%H:%M");
}

std::string DomandaChiusura(const TSpedizioneRegistrata& s) {
    return "Chiudere la spedizione del " + OraLocale(s.Creata) + "? I " + std::to_string(s.DaFare) +
           " indirizzi ancora da inviare restano esclusi e l'invio non verrà più proposto "
           "(No: verrà chiesto di nuovo alla prossima apertura).";
}

std::string DomandaGiaServiti(std::size_t quanti, const std::string& quandoUtc) {
    return Destinatari(quanti) + (quanti == 1 ? " ha" : " hanno") +
           " già ricevuto questo messaggio il " + GiornoEOraLocali(quandoUtc) +
           ".\rInviarlo di nuovo anche a " + (quanti == 1 ? "lui" : "loro") +
           "? (No: resta escluso chi l'ha già ricevuto)";
}

std::string DomandaInvio(std::size_t quanti) {
    return "Inviare il messaggio a " + Destinatari(quanti) + "?";
}

std::string TestoConteggi(std::size_t inviati, std::size_t esclusi, std::size_t falliti) {
    return "Inviati: " + std::to_string(inviati) + ", esclusi: " + std::to_string(esclusi) +
           ", falliti: " + std::to_string(falliti) + ".";
}

std::string DomandaRipresa(const TSpedizioneRegistrata& s) {
    std::string testo = "È rimasto un invio non concluso del " + OraLocale(s.Creata) +
                        " (oggetto \"" + s.Dati.Oggetto + "\"): " + std::to_string(s.Inviate) +
                        " di " + std::to_string(s.Voci) + " inviati, " + std::to_string(s.DaFare) +
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
        riga("Invio interrotto: " +
             (restano == 1 ? std::string("1 indirizzo resta")
                           : std::to_string(restano) + " indirizzi restano") +
             " da inviare. Per continuare premere di nuovo \"Invio Mail a "
             "Indirizzi Selezionati\" (l'elenco ora contiene solo loro) oppure, anche dopo aver "
             "chiuso la finestra, \"Riprendi\" in \"Storico Invii\".");
    return testo;
}

}  // namespace brivano
