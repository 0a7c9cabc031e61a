#pragma once
// The welcome window after a first start: the three ways to begin, each a
// button the user may press or leave, and "Chiudi". A thin view of
// TControlloBenvenuto.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "workflow/Benvenuto.h"

class QLabel;
class QPushButton;
class QVBoxLayout;
class TFDB;
class TMessageBoxes;

class TFBenvenuto : public QDialog, public brivano::TVistaBenvenuto {
    Q_OBJECT
  public:
    // `apriAccount` and `importaContatti` open those windows modally and say
    // whether the user saved or imported.
    TFBenvenuto(TFDB& fdb, TMessageBoxes& boxes, int annoCorrente,
                std::function<void(const std::string&)> mostraAnno,
                std::function<bool()> apriAccount, std::function<bool()> importaContatti,
                QWidget* parent = nullptr);
    ~TFBenvenuto() override;

    void MostraOfferte(const std::vector<brivano::TOffertaBenvenuto>& offerte) override;
    bool ApriAccount() override;
    bool ImportaContatti() override;
    void Chiudi() override;

    // One button per offer, in order, and the closing one.
    std::vector<QPushButton*> Passi;
    QPushButton* ButtonChiudi;

  protected:
    void reject() override;

  private:
    std::function<bool()> apriAccount_, importaContatti_;
    std::vector<QLabel*> note_;
    std::unique_ptr<brivano::TControlloBenvenuto> controllo_;
    bool chiusa_ = false;
};
