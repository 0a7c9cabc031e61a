#include "app/F_Benvenuto.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/FinestraBianca.h"
#include "ui/Fonts.h"

namespace {

// Where each step lives afterwards, for the user who skips it now.
QString DovePiuTardi(brivano::TPassoBenvenuto passo) {
    switch (passo) {
        case brivano::TPassoBenvenuto::ArchivioAnno:
            return QStringLiteral("più tardi: Strumenti → Crea Nuovo Archivio");
        case brivano::TPassoBenvenuto::Account:
            return QStringLiteral("più tardi: Strumenti → Impostazioni Invio");
        case brivano::TPassoBenvenuto::Contatti:
            return QStringLiteral("più tardi: Rubrica → Contatti → Importa...");
    }
    return {};
}

}  // namespace

TFBenvenuto::TFBenvenuto(TFDB& fdb, TMessageBoxes& boxes, int annoCorrente,
                         std::function<void(const std::string&)> mostraAnno,
                         std::function<bool()> apriAccount, std::function<bool()> importaContatti,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      apriAccount_(std::move(apriAccount)),
      importaContatti_(std::move(importaContatti)),
      controllo_(std::make_unique<brivano::TControlloBenvenuto>(fdb, boxes, *this, annoCorrente,
                                                                std::move(mostraAnno))) {
    setObjectName("FBenvenuto");
    setWindowTitle(QStringLiteral("Benvenuto"));
    brivano::FinestraBianca(*this);

    auto* colonna = new QVBoxLayout(this);
    auto* titolo = new QLabel(QStringLiteral("Benvenuto in Brivano"), this);
    titolo->setFont(Tahoma(12, true));
    colonna->addWidget(titolo);
    auto* spiegazione =
        new QLabel(QStringLiteral("Tre passi per cominciare. Ognuno si può fare ora oppure saltare "
                                  "e fare più tardi dai menu."),
                   this);
    spiegazione->setWordWrap(true);
    colonna->addWidget(spiegazione);

    auto* griglia = new QGridLayout;
    griglia->setColumnStretch(1, 1);
    int riga = 0;
    for (const brivano::TOffertaBenvenuto& offerta : controllo_->Offerte()) {
        auto* passo = new QPushButton(QString::fromStdString(offerta.testo), this);
        passo->setObjectName(QStringLiteral("Passo%1").arg(riga + 1));
        passo->setAutoDefault(false);
        connect(passo, &QPushButton::clicked, this,
                [this, p = offerta.passo] { controllo_->Esegui(p); });
        auto* nota = new QLabel(DovePiuTardi(offerta.passo), this);
        griglia->addWidget(passo, riga, 0);
        griglia->addWidget(nota, riga, 1);
        Passi.push_back(passo);
        note_.push_back(nota);
        ++riga;
    }
    colonna->addLayout(griglia);

    ButtonChiudi = new QPushButton(QStringLiteral("Chiudi"), this);
    ButtonChiudi->setObjectName("ButtonChiudi");
    ButtonChiudi->setDefault(true);
    connect(ButtonChiudi, &QPushButton::clicked, this, [this] { controllo_->Chiudi(); });
    colonna->addWidget(ButtonChiudi, 0, Qt::AlignRight);
    controllo_->Mostra();
}

TFBenvenuto::~TFBenvenuto() = default;

void TFBenvenuto::MostraOfferte(const std::vector<brivano::TOffertaBenvenuto>& offerte) {
    for (size_t i = 0; i < offerte.size() && i < Passi.size(); ++i) {
        Passi[i]->setEnabled(!offerte[i].fatto);
        note_[i]->setText(offerte[i].fatto ? QStringLiteral("fatto")
                                           : DovePiuTardi(offerte[i].passo));
    }
}

bool TFBenvenuto::ApriAccount() {
    return apriAccount_ && apriAccount_();
}

bool TFBenvenuto::ImportaContatti() {
    return importaContatti_ && importaContatti_();
}

void TFBenvenuto::Chiudi() {
    chiusa_ = true;
    accept();
}

void TFBenvenuto::reject() {
    // Escape and the close box close it as "Chiudi" does: skipped, not forgotten.
    if (chiusa_) return QDialog::reject();
    controllo_->Chiudi();
}
