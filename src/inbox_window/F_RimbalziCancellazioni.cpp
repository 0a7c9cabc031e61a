#include "inbox_window/F_RimbalziCancellazioni.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/MessageBoxes.h"
#include "inbox_window/PostaAutomatica.h"
#include "posta/RimbalziCancellazioni.h"
#include "ui/CostruzioneDifferita.h"
#include "ui/ElencoRighe.h"
#include "ui/Fonts.h"

TFRimbalziCancellazioni::TFRimbalziCancellazioni(TMessageBoxes& boxes, TPostaAutomatica& posta,
                                                 QWidget* parent)
    : QDialog(parent), boxes_(boxes), posta_(posta) {
    setObjectName("FRimbalziCancellazioni");
    setWindowTitle(QStringLiteral("Rimbalzi e cancellazioni"));
    setFont(Tahoma(8));
    resize(900, 480);
    brivano::CostruisciControlli(*this, [this] { CreaControlli(); });
}

void TFRimbalziCancellazioni::CreaControlli() {
    Griglia =
        brivano::NuovoElencoRighe(this, "Griglia", brivano::TRimbalziCancellazioni::Colonne());
    LabelEsito = new QLabel(this);
    LabelEsito->setObjectName("LabelEsito");
    LabelEsito->setWordWrap(true);

    ButtonControlla =
        brivano::NuovoPulsante(this, "ButtonControlla", QStringLiteral("Controlla posta"));
    ButtonAnnulla = brivano::NuovoPulsante(this, "ButtonAnnulla", QStringLiteral("Annulla"));
    ButtonChiudi = brivano::NuovoPulsante(this, "ButtonChiudi", QStringLiteral("Chiudi"));
    connect(ButtonControlla, &QPushButton::clicked, this, [this] { ButtonControllaClick(); });
    connect(ButtonAnnulla, &QPushButton::clicked, this, [this] { ButtonAnnullaClick(); });
    connect(ButtonChiudi, &QPushButton::clicked, this, &QDialog::close);
    connect(Griglia, &QTableWidget::itemSelectionChanged, this, [this] { AbilitaPulsanti(); });
    connect(&posta_, &TPostaAutomatica::Iniziato, this, [this] {
        LabelEsito->setText(QStringLiteral("Controllo della posta in corso…"));
        AbilitaPulsanti();
    });
    connect(&posta_, &TPostaAutomatica::Concluso, this,
            [this](bool riuscito, const QString& testo) {
                LabelEsito->setText(riuscito ? testo
                                             : QStringLiteral("Controllo non riuscito: ") + testo);
                Aggiorna();
            });

    auto* pulsanti = new QHBoxLayout;
    pulsanti->addWidget(ButtonControlla);
    pulsanti->addStretch();
    pulsanti->addWidget(ButtonAnnulla);
    pulsanti->addWidget(ButtonChiudi);
    auto* colonna = new QVBoxLayout(this);
    colonna->addWidget(Griglia);
    colonna->addWidget(LabelEsito);
    colonna->addLayout(pulsanti);
}

TFRimbalziCancellazioni::~TFRimbalziCancellazioni() = default;

void TFRimbalziCancellazioni::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) Aggiorna();
}

void TFRimbalziCancellazioni::Aggiorna() {
    std::vector<brivano::TRigaRimbalzi> righe;
    try {
        righe = posta_.Controllo().Righe();
    } catch (const std::exception& e) {
        boxes_.ShowError(e.what());
    }
    Griglia->setRowCount(static_cast<int>(righe.size()));
    for (int r = 0; r < static_cast<int>(righe.size()); ++r) {
        const auto& riga = righe[static_cast<std::size_t>(r)];
        for (int c = 0; c < static_cast<int>(riga.Celle.size()); ++c) {
            auto* cella = new QTableWidgetItem(
                QString::fromStdString(riga.Celle[static_cast<std::size_t>(c)]));
            cella->setData(Qt::UserRole, QVariant::fromValue<qint64>(riga.Id));
            cella->setData(Qt::UserRole + 1, riga.Annullabile);
            Griglia->setItem(r, c, cella);
        }
    }
    Griglia->resizeColumnsToContents();
    Griglia->clearSelection();
    AbilitaPulsanti();
}

// While a check runs, neither a second one nor an undo of what it may be
// acting on.
void TFRimbalziCancellazioni::AbilitaPulsanti() {
    const bool libero = !posta_.InCorso();
    ButtonControlla->setEnabled(libero);
    const auto scelte = Griglia->selectedItems();
    ButtonAnnulla->setEnabled(libero && !scelte.isEmpty() &&
                              scelte.front()->data(Qt::UserRole + 1).toBool());
}

void TFRimbalziCancellazioni::ButtonControllaClick() {
    posta_.Controlla();
}

void TFRimbalziCancellazioni::ButtonAnnullaClick() {
    const auto scelta = brivano::NumeroScelto(*Griglia);
    if (!scelta || posta_.InCorso()) return;
    try {
        posta_.Controllo().Annulla(*scelta);
    } catch (const std::exception& e) {
        boxes_.ShowError(e.what());
    }
    Aggiorna();
}
