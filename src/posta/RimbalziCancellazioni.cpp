#include "posta/RimbalziCancellazioni.h"

#include "posta/ArchivioPosta.h"
#include "posta/EffettiPosta.h"
#include "posta/PostaMittente.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroInvii.h"

namespace brivano {

TRimbalziCancellazioni::TRimbalziCancellazioni(TRadice radice, TAccount account, TToken token)
    : radice_(std::move(radice)), account_(std::move(account)), token_(std::move(token)) {}

const std::vector<std::string>& TRimbalziCancellazioni::Colonne() {
    static const std::vector<std::string> colonne = {"Data (UTC)", "Tipo",   "Indirizzo",
                                                     "Invio",      "Codice", "Fatto"};
    return colonne;
}

std::filesystem::path TRimbalziCancellazioni::Radice() const {
    const auto radice = radice_();
    if (!radice) throw EPosta("La configurazione non indica la cartella dei dati.");
    return *radice;
}

std::vector<TRigaRimbalzi> TRimbalziCancellazioni::Righe() const {
    std::vector<TRigaRimbalzi> righe;
    const auto radice = radice_();
    if (!radice || !std::filesystem::exists(TArchivioPosta::Percorso(*radice))) return righe;
    TArchivioPosta archivio(TArchivioPosta::Percorso(*radice));
    for (const TRegistrazionePosta& v : archivio.Registrazioni()) {
        TRigaRimbalzi riga;
        riga.Id = v.Id;
        riga.Annullabile =
            !v.Annullata && (v.MessoInElenco || v.Posizione >= 0 ||
                             v.Tipo == NomeTipoPosta(TTipoPosta::RimbalzoTemporaneo));
        riga.Celle = {v.Quando,    v.Tipo,
                      v.Indirizzo, v.Spedizione > 0 ? std::to_string(v.Spedizione) : std::string(),
                      v.Codice,    (v.Annullata ? "annullato: " : "") + v.Fatto};
        righe.push_back(std::move(riga));
    }
    return righe;
}

TControlloPronto TRimbalziCancellazioni::Prepara() const {
    const std::filesystem::path radice = Radice();
    const auto posta = LeggiAccountPosta();
    if (!posta) throw EPosta("Manca il server della posta in arrivo (IMAP) nelle impostazioni.");
    const TAccountCaricato invio = account_();
    if (invio.Account.Metodo != TMetodoAccesso::Password) {
        if (!token_) throw EPosta("Questo account accede con il fornitore: manca il suo token.");
        // Fetched by the check itself: a refresh asks the provider over the network.
        return {radice, *posta, AccessoPer(*posta, invio.Account, ""),
                [token = token_, account = invio.Account] { return token(account); }};
    }
    if (invio.Password.empty())
        throw EPosta(
            "Manca la password dell'account: salvala in Impostazioni Invio." +
            (invio.AvvisoPortachiavi.empty() ? std::string() : " " + invio.AvvisoPortachiavi));
    return {radice, *posta, AccessoPer(*posta, invio.Account, invio.Password), {}};
}

std::string TRimbalziCancellazioni::Esegui(const TControlloPronto& pronto) {
    TAccessoImap accesso = pronto.Accesso;
    if (pronto.Token) accesso.Token = pronto.Token();
    return TestoEsitoControllo(ControllaPostaMittente(pronto.Radice, pronto.Posta, accesso));
}

void TRimbalziCancellazioni::Annulla(std::int64_t id) {
    const std::filesystem::path radice = Radice();
    TRegistroInvii registro(TRegistroInvii::Percorso(radice));
    TNonInviare elenco(PercorsoNonInviare(radice.string() + "/"));
    TArchivioPosta archivio(TArchivioPosta::Percorso(radice));
    TEffettiPosta(registro, elenco, archivio).Annulla(id);
}

}  // namespace brivano
