#include "mailing_window/RiquadroAllegati.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TRiquadroAllegati::TRiquadroAllegati(QWidget* parent) : QWidget(parent) {
    setObjectName("RiquadroAllegati");
    Comuni = new QListWidget(this);
    Comuni->setObjectName("ListaAllegatiComuni");
    Comuni->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Room for three names; the column grows with the window, not the list.
    Comuni->setMaximumHeight(Comuni->fontMetrics().height() * 3 + 8);
    ButtonAggiungi = new QPushButton(QStringLiteral("Aggiungi..."), this);
    ButtonAggiungi->setObjectName("ButtonAggiungiAllegato");
    ButtonAggiungi->setAutoDefault(false);
    connect(ButtonAggiungi, &QPushButton::clicked, this, [this] { AggiungiClick(); });
    ButtonTogli = new QPushButton(QStringLiteral("Togli"), this);
    ButtonTogli->setObjectName("ButtonTogliAllegato");
    ButtonTogli->setAutoDefault(false);
    connect(ButtonTogli, &QPushButton::clicked, this, [this] { TogliClick(); });
    Modello = new QLineEdit(this);
    Modello->setObjectName("ModelloAllegato");
    Modello->setPlaceholderText(QStringLiteral("fatture/{{Ragione_Sociale}}.pdf"));
    Modello->setToolTip(
        QStringLiteral("Il file di ciascun destinatario, con i campi unione tra {{ e }}; un "
                       "percorso relativo parte dalla cartella personale."));
    auto* pulsanti = new QHBoxLayout;
    pulsanti->addWidget(ButtonAggiungi);
    pulsanti->addWidget(ButtonTogli);
    pulsanti->addStretch();
    auto* colonna = new QVBoxLayout(this);
    colonna->setContentsMargins(0, 0, 0, 0);
    colonna->setSpacing(2);
    colonna->addWidget(new QLabel(QStringLiteral("Allegati per tutti"), this));
    colonna->addWidget(Comuni);
    colonna->addLayout(pulsanti);
    colonna->addWidget(new QLabel(QStringLiteral("Per destinatario (modello)"), this));
    colonna->addWidget(Modello);
}

brivano::TSceltaAllegati TRiquadroAllegati::Scelta() const {
    brivano::TSceltaAllegati scelta;
    for (int i = 0; i < Comuni->count(); ++i)
        scelta.Comuni.push_back(Comuni->item(i)->text().toStdString());
    scelta.Modello = Modello->text().trimmed().toStdString();
    scelta.Cartella = QDir::homePath().toStdString();
    return scelta;
}

void TRiquadroAllegati::Mostra(const brivano::TSceltaAllegati& scelta) {
    Comuni->clear();
    for (const auto& file : scelta.Comuni) Comuni->addItem(QString::fromStdString(file));
    Modello->setText(QString::fromStdString(scelta.Modello));
}

void TRiquadroAllegati::AggiungiClick() {
    const QStringList file =
        QFileDialog::getOpenFileNames(this, QStringLiteral("File da allegare a ogni messaggio"));
    for (const QString& f : file)
        if (Comuni->findItems(f, Qt::MatchExactly).isEmpty()) Comuni->addItem(f);
}

void TRiquadroAllegati::TogliClick() {
    for (QListWidgetItem* scelto : Comuni->selectedItems()) delete scelto;
}
