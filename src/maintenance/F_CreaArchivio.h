#pragma once
// The new-archive window: starts the archive of a year, creating its folder
// and tables when they are missing, and on request copies the contacts of the
// year it leaves.

#include "maintenance/F_AnnoLavoro.h"

class QCheckBox;

class TFCreaArchivio : public brivano::TFAnnoLavoro {
    Q_OBJECT
  public:
    // mostraAnno sets the main window's year display.
    TFCreaArchivio(TFDB& fdb, TMessageBoxes& boxes,
                   std::function<void(const std::string&)> mostraAnno, QWidget* parent = nullptr);

    // Unticked unless the user ticks it: the new year then starts empty.
    QCheckBox* CopiaContatti;

  protected:
    void Confermato(const std::string& annoPrecedente) override;

  private:
    TFDB& fdb_;
    TMessageBoxes& boxes_;
};
