#pragma once
// The new-archive window: starts the archive of a year, creating its folder
// and tables when they are missing.

#include "maintenance/F_AnnoLavoro.h"

class TFCreaArchivio : public brivano::TFAnnoLavoro {
    Q_OBJECT
  public:
    // mostraAnno sets the main window's year display.
    TFCreaArchivio(TFDB& fdb, TMessageBoxes& boxes,
                   std::function<void(const std::string&)> mostraAnno, QWidget* parent = nullptr);
};
