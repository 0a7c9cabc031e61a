#include "history_window/RiquadroProgrammati.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/MessageBoxes.h"
#include "ui/ElencoRighe.h"
#include "workflow/Programmati.h"

TRiquadroProgrammati::TRiquadroProgrammati(TMessageBoxes& boxes, TPercorsoRegistro registro,
                                           QWidget* parent)
    : QGroupBox(QStringLiteral("Invii programmati"), parent),
      boxes_(boxes),
      percorso_(std::move(registro)) {
    setObjectName("RiquadroProgrammati");
    Griglia = new QTableWidget(0, 5, this);
    Griglia->setObjectName("GrigliaProgrammati");
    Griglia->setHorizontalHeaderLabels({QStringLiteral("N."), QStringLiteral("Alle"),
                                        QStringLiteral("Stato"), QStringLiteral("Destinatari"),
                                        QStringLiteral("Oggetto")});
    Griglia->horizontalHeader()->setStretchLastSection(true);
    Griglia->verticalHeader()->hide();
    Griglia->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Griglia->setSelectionBehavior(QAbstractItemView::SelectRows);
    Griglia->setSelectionMode(QAbstractItemView::SingleSelection);
    Griglia->setMaximumHeight(120);
    ButtonAnnulla = new QPushButton(QStringLiteral("Annulla"), this);
    ButtonAnnulla->setObjectName("ButtonAnnullaProgrammato");
    ButtonAnnulla->setAutoDefault(false);
    ButtonInviaOra = new QPushButton(QStringLiteral("Invia ora"), this);
    ButtonInviaOra->setObjectName("ButtonInviaOra");
    ButtonInviaOra->setAutoDefault(false);
    CheckTimer = new QCheckBox(QStringLiteral("Invii programmati anche a programma chiuso"), this);
    CheckTimer->setObjectName("CheckTimerProgrammati");
    CheckTimer->setToolTip(
        QStringLiteral("Accende il timer di systemd che ogni 5 minuti avvia "
                       "\"brivano-invio esegui-programmati\"."));
    connect(ButtonAnnulla, &QPushButton::clicked, this, [this] { ButtonAnnullaClick(); });
    connect(ButtonInviaOra, &QPushButton::clicked, this, [this] { ButtonInviaOraClick(); });
    connect(CheckTimer, &QCheckBox::clicked, this,
            [this](bool acceso) { CheckTimerClick(acceso); });
    auto* pulsanti = new QHBoxLayout;
    pulsanti->addWidget(ButtonAnnulla);
    pulsanti->addWidget(ButtonInviaOra);
    pulsanti->addStretch();
    pulsanti->addWidget(CheckTimer);
    auto* colonna = new QVBoxLayout(this);
    colonna->addWidget(Griglia);
    colonna->addLayout(pulsanti);
}

void TRiquadroProgrammati::Aggiorna() {
    Griglia->setRowCount(0);
    CheckTimer->setChecked(brivano::TimerAcceso(brivano::CartellaSystemdUtente()));
    RunGuarded(boxes_, [&] {
        const auto file = percorso_ ? percorso_() : std::nullopt;
        if (!file || !std::filesystem::exists(*file)) return;
        const brivano::TProgrammati programmati(*file);
        for (const auto& p : programmati.Elenco()) {
            const int riga = Griglia->rowCount();
            Griglia->insertRow(riga);
            const auto voci = programmati.Leggi(p.Id);
            const QStringList celle = {QString::number(p.Id),
                                       QString::fromStdString(brivano::TestoIstante(p.Alle)),
                                       QString::fromUtf8(brivano::NomeStatoProgrammato(p.Stato)),
                                       QString::number(voci ? voci->Voci.size() : 0),
                                       QString::fromStdString(p.Testi.Oggetto)};
            for (int c = 0; c < celle.size(); ++c) {
                auto* cella = new QTableWidgetItem(celle[c]);
                cella->setData(Qt::UserRole, static_cast<qint64>(p.Id));
                Griglia->setItem(riga, c, cella);
            }
        }
    });
    const bool vuota = Griglia->rowCount() == 0;
    ButtonAnnulla->setEnabled(!vuota);
    ButtonInviaOra->setEnabled(!vuota);
}

void TRiquadroProgrammati::ButtonAnnullaClick() {
    const auto scelto = brivano::NumeroScelto(*Griglia);
    const auto file = percorso_ ? percorso_() : std::nullopt;
    if (!scelto || !file) return;
    RunGuarded(boxes_, [&] {
        if (!brivano::TProgrammati(*file).Annulla(*scelto))
            boxes_.ShowInfo("L'invio programmato " + std::to_string(*scelto) +
                            " non è più in attesa: non si può annullare.");
    });
    Aggiorna();
}

void TRiquadroProgrammati::ButtonInviaOraClick() {
    const auto scelto = brivano::NumeroScelto(*Griglia);
    const auto file = percorso_ ? percorso_() : std::nullopt;
    if (!scelto || !file) return;
    bool anticipato = false;
    RunGuarded(boxes_, [&] {
        anticipato =
            brivano::TProgrammati(*file).Anticipa(*scelto, std::chrono::system_clock::now());
        if (!anticipato)
            boxes_.ShowInfo("L'invio programmato " + std::to_string(*scelto) +
                            " non è più in attesa.");
    });
    if (anticipato && AvviaDovuti) AvviaDovuti();
    Aggiorna();
}

void TRiquadroProgrammati::CheckTimerClick(bool acceso) {
    const std::string errore = brivano::AccendiTimer(acceso, Comando);
    if (!errore.empty()) boxes_.ShowError(errore);
    CheckTimer->setChecked(brivano::TimerAcceso(brivano::CartellaSystemdUtente()));
}
