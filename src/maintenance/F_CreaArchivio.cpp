#include "maintenance/F_CreaArchivio.h"

#include <QCheckBox>
#include <QPushButton>

#include "dialogs/MessageBoxes.h"
#include "ui/CostruzioneDifferita.h"
#include "workflow/CopiaContatti.h"

TFCreaArchivio::TFCreaArchivio(TFDB& fdb, TMessageBoxes& boxes,
                               std::function<void(const std::string&)> mostraAnno, QWidget* parent)
    : TFAnnoLavoro(fdb, boxes, std::move(mostraAnno), brivano::TComandoAnno::CreaArchivio,
                   {"FCreaArchivio", "Crea Nuovo Archivio", 242, 138}, parent),
      fdb_(fdb),
      boxes_(boxes) {
    // After the base's controls, which it goes among.
    brivano::CostruisciControlli(*this, [this] {
        CopiaContatti = new QCheckBox(QStringLiteral("Copia i contatti dell'anno corrente"), this);
        CopiaContatti->setObjectName("CopiaContatti");
        CopiaContatti->setChecked(false);
        AggiungiSopraBottoni(CopiaContatti);
    });
}

void TFCreaArchivio::Confermato(const std::string& annoPrecedente) {
    if (!CopiaContatti->isChecked()) return;
    RunGuarded(boxes_, [&] {
        const std::string testo = brivano::CopiaContattiNelNuovoAnno(fdb_, annoPrecedente);
        if (!testo.empty()) boxes_.ShowInfo(testo);
    });
}
