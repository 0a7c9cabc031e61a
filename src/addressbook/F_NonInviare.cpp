#include "addressbook/F_NonInviare.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

#include "dialogs/MessageBoxes.h"
#include "ui/CasellaFiltro.h"
#include "ui/Fonts.h"
#include "workflow/Esportazione.h"
#include "workflow/NonInviare.h"

TFNonInviare::TFNonInviare(TMessageBoxes& boxes, QWidget* parent) : QDialog(parent), boxes_(boxes) {
    setObjectName("FNonInviare");
    setWindowTitle(QStringLiteral("Non Inviare"));
    setFont(Tahoma(8));
    resize(620, 420);
    auto* layout = new QGridLayout(this);
    Filtro = new TCasellaFiltro(this);
    Filtro->setObjectName("Filtro");
    Filtro->setPlaceholderText(QStringLiteral("Cerca un indirizzo"));
    Elenco = new QListWidget(this);
    Elenco->setObjectName("Elenco");
    Elenco->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Numero = new QLabel(this);
    Incolla = new QPlainTextEdit(this);
    Incolla->setObjectName("Incolla");
    Incolla->setPlaceholderText(QStringLiteral("Incollare qui gli indirizzi, uno per riga"));
    ButtonAggiungi = new QPushButton(QStringLiteral("Aggiungi incollati"), this);
    ButtonRimuovi = new QPushButton(QStringLiteral("Rimuovi selezionati"), this);
    ButtonEsporta = new QPushButton(QStringLiteral("Esporta..."), this);
    ButtonChiudi = new QPushButton(QStringLiteral("Chiudi"), this);
    for (QPushButton* b : {ButtonAggiungi, ButtonRimuovi, ButtonEsporta, ButtonChiudi})
        b->setAutoDefault(false);
    layout->addWidget(Filtro, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Indirizzi da aggiungere"), this), 0, 1);
    layout->addWidget(Elenco, 1, 0);
    layout->addWidget(Incolla, 1, 1);
    layout->addWidget(Numero, 2, 0);
    layout->addWidget(ButtonAggiungi, 2, 1);
    layout->addWidget(ButtonRimuovi, 3, 0);
    layout->addWidget(ButtonEsporta, 4, 0);
    layout->addWidget(ButtonChiudi, 4, 1);
    connect(Filtro, &QLineEdit::textChanged, this, [this] { Aggiorna(); });
    connect(ButtonAggiungi, &QPushButton::clicked, this, [this] { AggiungiIncollati(); });
    connect(ButtonRimuovi, &QPushButton::clicked, this, [this] { RimuoviSelezionati(); });
    connect(ButtonChiudi, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonEsporta, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getSaveFileName(
            this, QStringLiteral("Esporta elenco non inviare"), QStringLiteral("non-inviare.txt"),
            QStringLiteral("Testo (*.txt)"));
        if (!file.isEmpty()) EsportaIn(file);
    });
}

void TFNonInviare::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) Aggiorna();
}

void TFNonInviare::Aggiorna() {
    Elenco->clear();
    RunGuarded(boxes_, [this] {
        const brivano::TNonInviare elenco(brivano::PercorsoNonInviareConfigurato());
        const auto voci = elenco.Cerca(Filtro->text().toStdString());
        for (const auto& voce : voci) {
            // What was typed, and beside it the address it stands for when
            // the two differ ("Anna <anna@example.it>" → anna@example.it).
            QString testo = QString::fromStdString(voce.Indirizzo);
            if (voce.Normale != voce.Indirizzo)
                testo += QStringLiteral("   → ") + QString::fromStdString(voce.Normale);
            auto* item = new QListWidgetItem(testo, Elenco);
            item->setData(Qt::UserRole, QString::fromStdString(voce.Indirizzo));
            item->setToolTip(QStringLiteral("Aggiunto il ") +
                             QString::fromStdString(voce.Aggiunto));
        }
        Numero->setText(QStringLiteral("%1 indirizzi").arg(voci.size()));
    });
}

void TFNonInviare::AggiungiIncollati() {
    RunGuarded(boxes_, [this] {
        brivano::TNonInviare elenco(brivano::PercorsoNonInviareConfigurato());
        const auto esito = elenco.AggiungiTesto(Incolla->toPlainText().toStdString());
        Incolla->clear();
        std::string testo = "Aggiunti all'elenco non inviare: " + std::to_string(esito.Aggiunti) +
                            " (già presenti: " + std::to_string(esito.GiaPresenti) + ").";
        // Name those already there, a few at most.
        for (std::size_t i = 0; i < esito.Presenti.size() && i < 10; ++i)
            testo += (i == 0 ? "\nGià nell'elenco: " : ", ") + esito.Presenti[i];
        if (esito.Presenti.size() > 10) testo += "...";
        boxes_.ShowInfo(testo);
    });
    Aggiorna();
}

void TFNonInviare::RimuoviSelezionati() {
    RunGuarded(boxes_, [this] {
        brivano::TNonInviare elenco(brivano::PercorsoNonInviareConfigurato());
        for (QListWidgetItem* item : Elenco->selectedItems())
            elenco.Togli(item->data(Qt::UserRole).toString().toStdString());
    });
    Aggiorna();
}

void TFNonInviare::EsportaIn(const QString& file) {
    RunGuarded(boxes_, [&] {
        const brivano::TNonInviare elenco(brivano::PercorsoNonInviareConfigurato());
        brivano::ScriviFile(file.toStdString(), elenco.Testo());
        boxes_.ShowInfo("Elenco non inviare esportato in " + file.toStdString());
    });
}
