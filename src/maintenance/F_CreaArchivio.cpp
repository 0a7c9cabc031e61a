#include "maintenance/F_CreaArchivio.h"

#include <QCheckBox>
#include <QPushButton>

#include "config/F_Conf.h"
#include "dialogs/MessageBoxes.h"
#include "workflow/CopiaContatti.h"

TFCreaArchivio::TFCreaArchivio(TFDB& fdb, TMessageBoxes& boxes,
                               std::function<void(const std::string&)> mostraAnno, QWidget* parent)
    : TFAnnoLavoro(fdb, boxes, std::move(mostraAnno), brivano::TComandoAnno::CreaArchivio,
                   {"FCreaArchivio", "Crea Nuovo Archivio", 242, 162, 48}, parent),
      fdb_(fdb),
      boxes_(boxes) {
    CopiaContatti = new QCheckBox(QStringLiteral("Copia i contatti dell'anno corrente"), this);
    CopiaContatti->setObjectName("CopiaContatti");
    CopiaContatti->setGeometry(8, 96, 210, 20);
    CopiaContatti->setChecked(false);
    setTabOrder(BitBtn2, CopiaContatti);
}

void TFCreaArchivio::Confermato(const std::string& annoPrecedente) {
    if (!CopiaContatti->isChecked()) return;
    RunGuarded(boxes_, [&] {
        // Confirming the working year itself has nothing to copy.
        if (LeggiReg(KeyBrivano, "Anno") == annoPrecedente) return;
        boxes_.ShowInfo(brivano::CopiaContattiNelNuovoAnno(fdb_, annoPrecedente));
    });
}
