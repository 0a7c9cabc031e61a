#pragma once
// A send run against a loopback server, with short limits.

#include "SmtpSessionServer.h"
#include "workflow/SpedizioneMail.h"

namespace invioprova {

inline const std::string Ehlo = "250 test.local\r\n";

// The replies of one delivered message, goodbye included.
inline std::vector<std::string> Consegna() {
    using namespace smtptest;
    return {Ehlo, Ok, Ok, Ok, Go, Ok, Bye};
}

struct TRun {
    TIdSMTP smtp;
    TIdMessage message;
    brivano::TDatiInvio dati;
    brivano::TLimitiTempo limiti{2000, 2000, {2000, 2000, 2000, 2000, 2000}, 2000};
    brivano::TOpzioniInvio opzioni;

    explicit TRun(int port) {
        dati.Host = "127.0.0.1";
        dati.Porta = port;
        dati.Mittente = "mario@example.it";
        dati.Oggetto = "Offerta";
        smtp.SetHeloName("client.test");
        opzioni.Attendi = [](int) {};
    }
    brivano::TEsitoInvio Esegui(const std::vector<std::string>& voci,
                                const brivano::TAvvisiInvio& avvisi = {}) {
        brivano::PreparaInvio(smtp, message, dati, limiti);
        return brivano::EseguiInvio(smtp, message, voci, avvisi, opzioni);
    }
};

}  // namespace invioprova
