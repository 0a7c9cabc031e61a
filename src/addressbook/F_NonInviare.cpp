#include "addressbook/F_NonInviare.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <set>

#include "dialogs/MessageBoxes.h"
#include "ui/CartellaFile.h"
#include "ui/CasellaFiltro.h"
#include "ui/Fonts.h"
#include "workflow/Esportazione.h"
#include "workflow/NonInviare.h"

TFNonInviare::TFNonInviare(TMessageBoxes& boxes, QWidget* parent) : QDialog(parent), boxes_(boxes) {
    setObjectName("FNonInviare");
    setWindowTitle(QStringLiteral("Non Inviare"));
    setFont(Tahoma(8));
    resize(900, 420);
    auto* layout = new QGridLayout(this);
    Filtro = new TCasellaFiltro(this);
    Filtro->setObjectName("Filtro");
    Filtro->setPlaceholderText(QStringLiteral("Cerca un indirizzo"));
    Elenco = new QTableWidget(0, 3, this);
    Elenco->setObjectName("Elenco");
    Elenco->setHorizontalHeaderLabels(
        {QStringLiteral("Indirizzo"), QStringLiteral("Motivo"), QStringLiteral("Aggiunto (UTC)")});
    Elenco->setSelectionBehavior(QAbstractItemView::SelectRows);
    Elenco->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Elenco->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Elenco->verticalHeader()->hide();
    Elenco->horizontalHeader()->setStretchLastSection(true);
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
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 1);
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
            this, QStringLiteral("Esporta elenco non inviare"),
            brivano::PercorsoProposto(QStringLiteral("non-inviare.txt")),
            QStringLiteral("Testo (*.txt)"));
        brivano::RicordaCartella(file);
        if (!file.isEmpty()) EsportaIn(file);
    });
}

void TFNonInviare::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) Aggiorna();
}

void TFNonInviare::done(int result) {
    if (!Incolla->toPlainText().trimmed().isEmpty()) {
        if (boxes_.Choose("Gli indirizzi scritti in \"Indirizzi da aggiungere\" non sono ancora "
                          "nell'elenco non inviare.",
                          "Aggiungili e chiudi", "Torna alla finestra",
                          false) != TConfirmAnswer::Yes)
            return;
        AggiungiIncollati();
        // Not added (the list could not be written): the text stays, so does the window.
        if (!Incolla->toPlainText().trimmed().isEmpty()) return;
    }
    QDialog::done(result);
}

void TFNonInviare::Aggiorna() {
    Elenco->setRowCount(0);
    RunGuarded(boxes_, [this] {
        const brivano::TNonInviare elenco(brivano::PercorsoNonInviareConfigurato());
        const auto voci = elenco.Cerca(Filtro->text().toStdString());
        Elenco->setRowCount(static_cast<int>(voci.size()));
        for (int r = 0; r < static_cast<int>(voci.size()); ++r) {
            const auto& voce = voci[static_cast<std::size_t>(r)];
            // What was typed, and beside it the address it stands for when
            // the two differ ("Anna <anna@example.it>" → anna@example.it).
            QString testo = QString::fromStdString(voce.Indirizzo);
            if (voce.Normale != voce.Indirizzo)
                testo += QStringLiteral("   → ") + QString::fromStdString(voce.Normale);
            auto* indirizzo = new QTableWidgetItem(testo);
            indirizzo->setData(Qt::UserRole, QString::fromStdString(voce.Indirizzo));
            auto* motivo = new QTableWidgetItem(QString::fromStdString(voce.Motivo));
            // The report or request that asked for it: the proof of the objection.
            if (!voce.Prova.empty())
                motivo->setToolTip(QStringLiteral("Messaggio: ") +
                                   QString::fromStdString(voce.Prova));
            Elenco->setItem(r, 0, indirizzo);
            Elenco->setItem(r, 1, motivo);
            Elenco->setItem(r, 2, new QTableWidgetItem(QString::fromStdString(voce.Aggiunto)));
        }
        Elenco->resizeColumnsToContents();
        Numero->setText(voci.size() == 1 ? QStringLiteral("1 indirizzo")
                                         : QStringLiteral("%1 indirizzi").arg(voci.size()));
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
        std::set<int> righe;
        for (const QTableWidgetItem* item : Elenco->selectedItems()) righe.insert(item->row());
        for (const int r : righe)
            elenco.Togli(Elenco->item(r, 0)->data(Qt::UserRole).toString().toStdString());
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
