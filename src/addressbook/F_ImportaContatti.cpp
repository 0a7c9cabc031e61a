#include "addressbook/F_ImportaContatti.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/MessageBoxes.h"
#include "ui/CartellaFile.h"
#include "ui/Fonts.h"
#include "workflow/ScambioRegistro.h"

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QString NomeSeparatore(char c) {
    switch (c) {
        case ';':
            return QStringLiteral("punto e virgola");
        case ',':
            return QStringLiteral("virgola");
        case '\t':
            return QStringLiteral("tabulazione");
    }
    return {};
}

}  // namespace

TFImportaContatti::TFImportaContatti(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), fdb_(fdb), boxes_(boxes) {
    setObjectName("FImportaContatti");
    setWindowTitle(QStringLiteral("Importa Contatti"));
    setFont(Tahoma(8));
    resize(820, 520);
    auto* layout = new QVBoxLayout(this);
    ButtonScegli = new QPushButton(QStringLiteral("Scegli file..."), this);
    Descrizione = new QLabel(QStringLiteral("Nessun file scelto"), this);
    Descrizione->setObjectName("Descrizione");
    Mappatura = new QTableWidget(this);
    Mappatura->setObjectName("Mappatura");
    Mappatura->setMaximumHeight(70);
    Anteprima = new QTableWidget(this);
    Anteprima->setObjectName("Anteprima");
    Aggiorna = new QCheckBox(
        QStringLiteral("Aggiorna i contatti con la stessa e-mail (altrimenti restano com'erano)"),
        this);
    ButtonImporta = new QPushButton(QStringLiteral("Importa"), this);
    ButtonImporta->setEnabled(false);
    ButtonAnnulla = new QPushButton(QStringLiteral("Annulla"), this);
    for (QTableWidget* t : {Mappatura, Anteprima}) {
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        t->verticalHeader()->hide();
    }
    for (QPushButton* b : {ButtonScegli, ButtonImporta, ButtonAnnulla}) b->setAutoDefault(false);
    layout->addWidget(ButtonScegli);
    layout->addWidget(Descrizione);
    layout->addWidget(new QLabel(QStringLiteral("Colonne del file e campi della rubrica"), this));
    layout->addWidget(Mappatura);
    layout->addWidget(new QLabel(QStringLiteral("Prime righe come verranno importate"), this));
    layout->addWidget(Anteprima);
    layout->addWidget(Aggiorna);
    auto* bottoni = new QHBoxLayout;
    bottoni->addStretch();
    bottoni->addWidget(ButtonImporta);
    bottoni->addWidget(ButtonAnnulla);
    layout->addLayout(bottoni);
    connect(ButtonScegli, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, QStringLiteral("Importa contatti"), brivano::PercorsoProposto(),
            QStringLiteral("Contatti (*.csv *.txt *.vcf *.vcard);;Tutti i file (*)"));
        brivano::RicordaCartella(file);
        if (!file.isEmpty()) Apri(file);
    });
    connect(ButtonImporta, &QPushButton::clicked, this, [this] {
        if (Importa()) accept();
    });
    connect(ButtonAnnulla, &QPushButton::clicked, this, &QDialog::reject);
    // The marks depend on what happens to duplicates.
    connect(Aggiorna, &QCheckBox::toggled, this, [this] {
        if (!percorso_) return;
        const QString percorso = *percorso_;  // Apri forgets the one held
        Apri(percorso);
    });
}

bool TFImportaContatti::Apri(const QString& percorso) {
    percorso_.reset();
    esito_.reset();
    ButtonImporta->setEnabled(false);
    Mappatura->clear();
    Anteprima->clear();
    const auto duplicati =
        Aggiorna->isChecked() ? brivano::TDuplicati::Aggiorna : brivano::TDuplicati::Salta;
    brivano::TAnteprimaImportazione anteprima;
    try {
        anteprima = brivano::AnteprimaImportazione(
            *brivano::RubricaDiLavoro(fdb_), percorso.toStdString(), duplicati, RigheAnteprima);
    } catch (const std::exception& e) {
        Descrizione->setText(QStringLiteral("File non leggibile"));
        boxes_.ShowInfo("Il file non si può importare: " + std::string(e.what()));
        return false;
    }
    percorso_ = percorso;
    const auto& f = anteprima.File;
    QString descrizione =
        QStringLiteral("%1 — %2 — %3%4 righe")
            .arg(percorso, Q(f.Codifica), anteprima.Altre ? QStringLiteral("più di ") : QString())
            .arg(anteprima.Righe.size());
    if (f.Formato == brivano::TFormatoFile::Csv)
        descrizione += QStringLiteral(" — separatore: ") + NomeSeparatore(f.Separatore);
    else
        descrizione += QStringLiteral(" — vCard");
    Descrizione->setText(descrizione);

    Mappatura->setRowCount(1);
    if (f.Formato == brivano::TFormatoFile::Csv) {
        Mappatura->setColumnCount(static_cast<int>(f.Intestazione.size()));
        QStringList titoli;
        for (std::size_t c = 0; c < f.Intestazione.size(); ++c) {
            titoli << Q(f.Intestazione[c]);
            Mappatura->setItem(
                0, static_cast<int>(c),
                new QTableWidgetItem(f.Mappa[c] ? QString::fromUtf8(brivano::NomeCampo(*f.Mappa[c]))
                                                : QStringLiteral("(non importata)")));
        }
        Mappatura->setHorizontalHeaderLabels(titoli);
    } else {
        const QStringList vcard = {"ORG / FN", "CATEGORIES", "EMAIL", "URL", "ADR", "NOTE"};
        const QStringList campi = {
            "Ragione Sociale", "Tipo", "Email", "Sito", QStringLiteral("Città, CAP"), "Note"};
        Mappatura->setColumnCount(static_cast<int>(vcard.size()));
        Mappatura->setHorizontalHeaderLabels(vcard);
        for (int c = 0; c < vcard.size(); ++c)
            Mappatura->setItem(0, c, new QTableWidgetItem(campi[c]));
    }

    const std::array<brivano::TCampo, 7> ordine = {brivano::TCampo::Ragione_Sociale,
                                                   brivano::TCampo::Tipo,
                                                   brivano::TCampo::Citta,
                                                   brivano::TCampo::Cap,
                                                   brivano::TCampo::EMail,
                                                   brivano::TCampo::Sito,
                                                   brivano::TCampo::Note};
    QStringList titoli = {QStringLiteral("Riga")};
    for (brivano::TCampo c : ordine) titoli << QString::fromUtf8(brivano::NomeCampo(c));
    titoli << QStringLiteral("Esito");
    const int righe = static_cast<int>(anteprima.Righe.size());
    Anteprima->setColumnCount(static_cast<int>(titoli.size()));
    Anteprima->setHorizontalHeaderLabels(titoli);
    Anteprima->setRowCount(righe);
    for (int r = 0; r < righe; ++r) {
        const auto& riga = anteprima.Righe[static_cast<std::size_t>(r)];
        Anteprima->setItem(r, 0, new QTableWidgetItem(QString::number(riga.Riga.Riga)));
        for (std::size_t c = 0; c < ordine.size(); ++c)
            Anteprima->setItem(r, static_cast<int>(c) + 1,
                               new QTableWidgetItem(Q(riga.Riga.Contatto[ordine[c]])));
        Anteprima->setItem(
            r, static_cast<int>(ordine.size()) + 1,
            new QTableWidgetItem(Q(brivano::TestoEsitoRiga(riga.Esito, riga.Motivo))));
    }
    ButtonImporta->setEnabled(!anteprima.Righe.empty());
    return true;
}

bool TFImportaContatti::Importa() {
    if (!percorso_) return false;
    bool fatto = false;
    RunGuarded(boxes_, [this, &fatto] {
        esito_ = brivano::ImportaFile(
            *brivano::RubricaDiLavoro(fdb_), percorso_->toStdString(),
            Aggiorna->isChecked() ? brivano::TDuplicati::Aggiorna : brivano::TDuplicati::Salta);
        fatto = true;
        std::string testo = brivano::TestoEsitoImportazione(*esito_);
        // Business columns and tags of the same file go to the contact register.
        if (const auto registro = brivano::ImportaRegistroDaFile(percorso_->toStdString()))
            testo += "\n\n" + brivano::TestoEsitoRegistro(*registro);
        boxes_.ShowInfo(testo);
    });
    return fatto;
}
