#include "maintenance/F_CreaArchivio.h"

TFCreaArchivio::TFCreaArchivio(TFDB& fdb, TMessageBoxes& boxes,
                               std::function<void(const std::string&)> mostraAnno, QWidget* parent)
    : TFAnnoLavoro(fdb, boxes, std::move(mostraAnno), brivano::TComandoAnno::CreaArchivio,
                   {"FCreaArchivio", "Crea Nuovo Archivio", 242, 138, 48}, parent) {}
