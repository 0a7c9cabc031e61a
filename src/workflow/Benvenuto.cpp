#include "workflow/Benvenuto.h"

#include <algorithm>

#include "config/F_Conf.h"
#include "dialogs/MessageBoxes.h"
#include "workflow/ConfermaAnno.h"

namespace brivano {

namespace {

constexpr const char* kValoreBenvenuto = "Benvenuto";

}  // namespace

bool BenvenutoDaOffrire(bool primoAvvio) {
    return primoAvvio && LeggiReg(KeyBrivano, kValoreBenvenuto) != "OK";
}

std::string TestoArchivioAnno(int anno) {
    return "Crea l'archivio dell'anno " + std::to_string(anno) + " e passa a quello";
}

TControlloBenvenuto::TControlloBenvenuto(TFDB& fdb, TMessageBoxes& boxes, TVistaBenvenuto& vista,
                                         int annoCorrente,
                                         std::function<void(const std::string&)> mostraAnno)
    : fdb_(fdb),
      boxes_(boxes),
      vista_(vista),
      anno_(annoCorrente),
      mostraAnno_(std::move(mostraAnno)) {
    if (LeggiReg(KeyBrivano, "Anno") != std::to_string(anno_))
        offerte_.push_back({TPassoBenvenuto::ArchivioAnno, TestoArchivioAnno(anno_)});
    offerte_.push_back({TPassoBenvenuto::Account, "Imposta l'account di invio"});
    offerte_.push_back({TPassoBenvenuto::Contatti, "Importa contatti"});
}

void TControlloBenvenuto::Mostra() {
    vista_.MostraOfferte(offerte_);
}

void TControlloBenvenuto::Esegui(TPassoBenvenuto passo) {
    const auto offerta = std::find_if(offerte_.begin(), offerte_.end(),
                                      [passo](const auto& o) { return o.passo == passo; });
    if (offerta == offerte_.end() || offerta->fatto) return;
    bool fatto = false;
    RunGuarded(boxes_, [&] {
        switch (passo) {
            case TPassoBenvenuto::ArchivioAnno:
                fatto = ConfermaAnno(fdb_, boxes_, std::to_string(anno_),
                                     TComandoAnno::CreaArchivio, mostraAnno_);
                break;
            case TPassoBenvenuto::Account:
                fatto = vista_.ApriAccount();
                break;
            case TPassoBenvenuto::Contatti:
                fatto = vista_.ImportaContatti();
                break;
        }
    });
    offerta->fatto = fatto;
    Mostra();
}

void TControlloBenvenuto::Chiudi() {
    // Written first: a welcome that cannot be remembered would come back at
    // every start, so the error is shown and the window closes all the same.
    RunGuarded(boxes_, [] { ScriviReg(KeyBrivano, kValoreBenvenuto, "OK"); });
    vista_.Chiudi();
}

}  // namespace brivano
