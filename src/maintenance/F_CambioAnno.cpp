#include "maintenance/F_CambioAnno.h"

TFCambioAnno::TFCambioAnno(TFDB& fdb, TMessageBoxes& boxes,
                           std::function<void(const std::string&)> mostraAnno, QWidget* parent)
    : TFAnnoLavoro(fdb, boxes, std::move(mostraAnno), brivano::TComandoAnno::CambioAnno,
                   {"FCambioAnno", "Cambio Anno", 192, 129}, parent) {}
