#include "mailing_window/RiquadroAllegati.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

TRiquadroAllegati::TRiquadroAllegati(QWidget* parent) : QWidget(parent) {
    setObjectName("RiquadroAllegati");
    auto* titolo = new QLabel(QStringLiteral("Allegati per tutti"), this);
    titolo->setGeometry(0, 0, 169, 14);
    Comuni = new QListWidget(this);
    Comuni->setObjectName("ListaAllegatiComuni");
    Comuni->setGeometry(0, 15, 169, 40);
    Comuni->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ButtonAggiungi = new QPushButton(QStringLiteral("Aggiungi..."), this);
    ButtonAggiungi->setObjectName("ButtonAggiungiAllegato");
    ButtonAggiungi->setGeometry(0, 57, 84, 21);
    ButtonAggiungi->setAutoDefault(false);
    connect(ButtonAggiungi, &QPushButton::clicked, this, [this] { AggiungiClick(); });
    ButtonTogli = new QPushButton(QStringLiteral("Togli"), this);
    ButtonTogli->setObjectName("ButtonTogliAllegato");
    ButtonTogli->setGeometry(85, 57, 84, 21);
    ButtonTogli->setAutoDefault(false);
    connect(ButtonTogli, &QPushButton::clicked, this, [this] { TogliClick(); });
    auto* perDestinatario = new QLabel(QStringLiteral("Per destinatario (modello)"), this);
    perDestinatario->setGeometry(0, 80, 169, 14);
    Modello = new QLineEdit(this);
    Modello->setObjectName("ModelloAllegato");
    Modello->setGeometry(0, 95, 169, 21);
    Modello->setPlaceholderText(QStringLiteral("fatture/{{Ragione_Sociale}}.pdf"));
    Modello->setToolTip(
        QStringLiteral("Il file di ciascun destinatario, con i campi unione tra {{ e }}; un "
                       "percorso relativo parte dalla cartella personale."));
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
