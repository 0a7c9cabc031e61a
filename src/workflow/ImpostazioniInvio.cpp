#include "workflow/ImpostazioniInvio.h"

namespace brivano {

TChiavePassword TImpostazioniInvio::ChiavePer(const TAccountInvio& account) {
    return {account.Host, account.UtenteAccesso()};
}

std::shared_ptr<TSessioneAccesso> TImpostazioniInvio::Accesso(const TAccountInvio& account) {
    std::lock_guard<std::mutex> lock(accessoMutex_);
    if (!accesso_ || !accesso_->PerAccount(account))
        accesso_ = std::make_shared<TSessioneAccesso>(portachiavi_, account);
    return accesso_;
}

TAccountCaricato TImpostazioniInvio::Carica() {
    TAccountCaricato caricato;
    std::optional<TAccountInvio> salvato = LeggiAccount();
    if (!salvato) return caricato;
    caricato.Account = std::move(*salvato);
    caricato.Salvato = true;
    const TChiavePassword chiave = ChiavePer(caricato.Account);
    if (passwordSessione_ && passwordSessione_->first == chiave) {
        caricato.Password = passwordSessione_->second;
        return caricato;
    }
    try {
        caricato.Password = portachiavi_.Leggi(chiave).value_or("");
    } catch (const EPortachiaviNonDisponibile& e) {
        caricato.AvvisoPortachiavi = e.what();
    }
    return caricato;
}

TEsitoSalvataggio TImpostazioniInvio::Salva(const TAccountInvio& account,
                                            const std::string& password) {
    ControllaAccount(account);
    std::optional<TAccountInvio> precedente;
    try {
        precedente = LeggiAccount();
    } catch (const EAccountNonValido&) {
        // A damaged earlier account is simply replaced.
    }
    ScriviAccount(account);
    ++salvataggi_;
    passwordSessione_.reset();

    TEsitoSalvataggio esito;
    const TChiavePassword chiave = ChiavePer(account);
    try {
        if (precedente) {
            const TChiavePassword vecchia = ChiavePer(*precedente);
            if (vecchia != chiave) portachiavi_.Cancella(vecchia);
        }
        if (password.empty()) {
            portachiavi_.Cancella(chiave);
            esito.Messaggio = TestoSalvato;
        } else {
            portachiavi_.Salva(chiave, password);
            esito.Messaggio = TestoSalvatoConPassword;
        }
    } catch (const EPortachiaviNonDisponibile&) {
        if (!password.empty()) {
            esito.PasswordNelPortachiavi = false;
            esito.Messaggio = TestoSenzaPortachiavi;
            passwordSessione_.emplace(chiave, password);
        } else {
            esito.Messaggio = TestoSalvato;
        }
    }
    return esito;
}

}  // namespace brivano
