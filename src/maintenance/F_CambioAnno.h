#pragma once
// The year-change window: switches to the archive of a year whose folder
// already exists below the data root.

#include "maintenance/F_AnnoLavoro.h"

class TFCambioAnno : public brivano::TFAnnoLavoro {
    Q_OBJECT
  public:
    // mostraAnno sets the main window's year display.
    TFCambioAnno(TFDB& fdb, TMessageBoxes& boxes,
                 std::function<void(const std::string&)> mostraAnno, QWidget* parent = nullptr);
};
