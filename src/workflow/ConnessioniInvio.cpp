#include "workflow/ConnessioniInvio.h"

#include <algorithm>

namespace brivano {

TConnessioniInvio::TConnessioniInvio(TIdSMTP& smtp, TIdMessage& message,
                                     const TOpzioniInvio& opzioni)
    : idPerVoce_(opzioni.IdPerVoce),
      connessioni_(static_cast<std::size_t>(
          opzioni.NuovaConnessione ? std::clamp(opzioni.Connessioni, 1, ConnessioniMassime) : 1)) {
    for (std::size_t n = 0; n < connessioni_.size(); ++n) {
        TConnessione& c = connessioni_[n];
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
}

TConnessioniInvio::~TConnessioniInvio() {
    for (auto& c : connessioni_) {
        c.Sessione.reset();
        if (TIdIOHandler* io = c.Smtp->IOHandler()) io->SetAbortFlag(nullptr);
        c.Smtp->SetAbortFlag(nullptr);
        if (idPerVoce_) c.Message->SetMessageIdLeft(nullptr);
    }
}

void TConnessioniInvio::ChiudiTutte() {
    for (auto& c : connessioni_) c.Sessione->Chiudi();
}

}  // namespace brivano
