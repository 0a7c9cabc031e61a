#include "addressbook/F_Duplicati.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "archive/F_DB.h"
#include "archive/TableFile.h"
#include "dialogs/MessageBoxes.h"
#include "workflow/ComandiContatti.h"
#include "workflow/ContattiArchivio.h"

namespace {

QString Q(const std::string& testo) {
    return QString::fromStdString(testo);
}

QString NomeContatto(const brivano::TContatto& c) {
    return Q(c[brivano::TCampo::Ragione_Sociale]) + QStringLiteral(" <") +
           Q(c[brivano::TCampo::EMail]) + QStringLiteral(">");
}

QString TestoGruppo(brivano::TMotivoDoppio motivo, const std::string& chiave, std::size_t quanti) {
    return Q(brivano::TestoMotivoDoppio(motivo)) + QStringLiteral(" (") + Q(chiave) +
           QStringLiteral("): ") + QString::number(quanti) + QStringLiteral(" contatti");
}

}  // namespace

TFDuplicati::TFDuplicati(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), fdb_(fdb), boxes_(boxes) {
    setObjectName("FDuplicati");
    setWindowTitle(QStringLiteral("Trova duplicati"));
    resize(900, 560);
    auto* colonna = new QVBoxLayout(this);
    TuttiAnni = new QCheckBox(QStringLiteral("Tutti gli anni (solo da vedere)"), this);
    TuttiAnni->setObjectName("TuttiAnni");
    colonna->addWidget(TuttiAnni);
    auto* divisore = new QSplitter(Qt::Vertical, this);
    Gruppi = new QListWidget(divisore);
    Gruppi->setObjectName("Gruppi");
    auto* sotto = new QWidget(divisore);
    auto* dettaglio = new QVBoxLayout(sotto);
    dettaglio->setContentsMargins(0, 0, 0, 0);
    auto* riga = new QHBoxLayout;
    riga->addWidget(new QLabel(QStringLiteral("Contatto che resta:"), sotto));
    Resta = new QComboBox(sotto);
    Resta->setObjectName("Resta");
    riga->addWidget(Resta, 1);
    dettaglio->addLayout(riga);
    Campi = new QTableWidget(sotto);
    Campi->setObjectName("Campi");
    Campi->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Campi->setSelectionMode(QAbstractItemView::NoSelection);
    Campi->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    dettaglio->addWidget(Campi, 1);
    Nota = new QLabel(sotto);
    Nota->setWordWrap(true);
    dettaglio->addWidget(Nota);
    divisore->setStretchFactor(1, 3);
    divisore->setSizes({130, 420});
    colonna->addWidget(divisore, 1);
    auto* pulsanti = new QDialogButtonBox(QDialogButtonBox::Close, this);
    Unisci1 = pulsanti->addButton(QStringLiteral("&Unisci"), QDialogButtonBox::ActionRole);
    Unisci1->setObjectName("Unisci1");
    colonna->addWidget(pulsanti);

    connect(pulsanti, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(Unisci1, &QPushButton::clicked, this, [this] { Unisci(); });
    connect(TuttiAnni, &QCheckBox::toggled, this, [this] { Cerca(); });
    connect(Gruppi, &QListWidget::currentRowChanged, this, [this](int r) { MostraGruppo(r); });
    connect(Resta, &QComboBox::activated, this, [this](int i) {
        if (!unione_ || i < 0) return;
        brivano::CambiaResta(*unione_, static_cast<std::size_t>(i));
        MostraScelte();
    });
    connect(Campi, &QTableWidget::cellClicked, this, [this](int r, int c) {
        if (!unione_ || r < 0 || c < 0) return;
        unione_->Scelte.at(static_cast<std::size_t>(r)) = static_cast<std::size_t>(c);
        MostraScelte();
    });
    Cerca();
}

TFDuplicati::~TFDuplicati() {
    // The children outlive this part of the window: their last signals must
    // not reach the groups and the merge, gone by then.
    for (QObject* figlio : {static_cast<QObject*>(Gruppi), static_cast<QObject*>(Campi),
                            static_cast<QObject*>(Resta), static_cast<QObject*>(TuttiAnni)})
        disconnect(figlio, nullptr, this, nullptr);
}

void TFDuplicati::Cerca() {
    Gruppi->clear();
    gruppi_.clear();
    gruppiAnni_.clear();
    unione_.reset();
    MostraGruppo(-1);
    RunGuarded(boxes_, [this] {
        registro_ = std::make_unique<brivano::TRegistroContatti>(
            brivano::PercorsoRegistroContattiConfigurato());
        if (TuttiAnni->isChecked()) {
            gruppiAnni_ = brivano::DuplicatiDiTuttiGliAnni(fdb_, registro_.get());
            for (const brivano::TGruppoDoppiAnni& g : gruppiAnni_)
                Gruppi->addItem(TestoGruppo(g.Motivo, g.Chiave, g.Contatti.size()));
        } else {
            contatti_ = brivano::LeggiContatti(*brivano::RubricaDiLavoro(fdb_));
            gruppi_ = brivano::TrovaDuplicati(contatti_, registro_.get());
            for (const brivano::TGruppoDoppi& g : gruppi_)
                Gruppi->addItem(TestoGruppo(g.Motivo, g.Chiave, g.Contatti.size()));
        }
    });
    if (Gruppi->count() == 0)
        Nota->setText(QStringLiteral("Nessun duplicato trovato."));
    else
        Gruppi->setCurrentRow(0);
}

void TFDuplicati::MostraGruppo(int gruppo) {
    unione_.reset();
    Resta->clear();
    Campi->clear();
    Campi->setRowCount(0);
    Campi->setColumnCount(0);
    Unisci1->setEnabled(false);
    Resta->setEnabled(false);
    Nota->clear();
    if (gruppo < 0) return;
    QStringList righe;
    for (std::size_t campo = 0; campo < brivano::NumeroCampiUnione; ++campo)
        righe << Q(brivano::NomeCampoUnione(campo));
    Campi->setRowCount(static_cast<int>(righe.size()));
    Campi->setVerticalHeaderLabels(righe);

    if (TuttiAnni->isChecked()) {
        const brivano::TGruppoDoppiAnni& g = gruppiAnni_.at(static_cast<std::size_t>(gruppo));
        QStringList colonne;
        Campi->setColumnCount(static_cast<int>(g.Contatti.size()));
        for (std::size_t c = 0; c < g.Contatti.size(); ++c) {
            std::string anni;
            for (const std::string& a : g.Contatti[c].Anni) anni += (anni.empty() ? "" : ", ") + a;
            colonne << Q(g.Contatti[c].Contatto[brivano::TCampo::Ragione_Sociale]) +
                           QStringLiteral("\n(") + Q(anni) + QStringLiteral(")");
            brivano::TDoppio d{g.Contatti[c].Contatto, {}};
            if (registro_ && !g.Contatti[c].Contatto[brivano::TCampo::EMail].empty())
                d.Voce = registro_->Leggi(g.Contatti[c].Contatto[brivano::TCampo::EMail]);
            for (std::size_t campo = 0; campo < brivano::NumeroCampiUnione; ++campo)
                Campi->setItem(static_cast<int>(campo), static_cast<int>(c),
                               new QTableWidgetItem(Q(brivano::ValoreCampo(d, campo))));
        }
        Campi->setHorizontalHeaderLabels(colonne);
        Nota->setText(QStringLiteral(
            "Tra anni diversi i contatti si guardano soltanto: ogni anno resta il suo archivio. "
            "Per unirli, togliere la spunta e unire quelli dell'anno di lavoro."));
        return;
    }

    const brivano::TGruppoDoppi& g = gruppi_.at(static_cast<std::size_t>(gruppo));
    std::vector<long long> ids;
    for (const std::size_t i : g.Contatti) ids.push_back(contatti_.at(i).OrdNum);
    RunGuarded(boxes_, [&] {
        unione_ = std::make_unique<brivano::TUnione>(
            brivano::PreparaUnione(*brivano::RubricaDiLavoro(fdb_), registro_.get(), ids));
    });
    if (!unione_) return;
    QStringList colonne;
    for (const brivano::TDoppio& d : unione_->Doppi) {
        colonne << NomeContatto(d.Contatto).replace(QStringLiteral(" <"), QStringLiteral("\n<"));
        Resta->addItem(NomeContatto(d.Contatto));
    }
    Campi->setColumnCount(static_cast<int>(colonne.size()));
    Campi->setHorizontalHeaderLabels(colonne);
    for (std::size_t campo = 0; campo < brivano::NumeroCampiUnione; ++campo)
        for (std::size_t c = 0; c < unione_->Doppi.size(); ++c)
            Campi->setItem(static_cast<int>(campo), static_cast<int>(c),
                           new QTableWidgetItem(Q(brivano::ValoreCampo(unione_->Doppi[c], campo))));
    Resta->setEnabled(true);
    Unisci1->setEnabled(true);
    MostraScelte();
}

void TFDuplicati::MostraScelte() {
    if (!unione_) return;
    Resta->setCurrentIndex(static_cast<int>(unione_->Resta));
    int conflitti = 0;
    for (std::size_t campo = 0; campo < brivano::NumeroCampiUnione; ++campo) {
        const bool conflitto = brivano::InConflitto(*unione_, campo);
        conflitti += conflitto ? 1 : 0;
        for (std::size_t c = 0; c < unione_->Doppi.size(); ++c) {
            QTableWidgetItem* voce = Campi->item(static_cast<int>(campo), static_cast<int>(c));
            const bool scelta = unione_->Scelte[campo] == c;
            QFont carattere = voce->font();
            carattere.setBold(scelta);
            voce->setFont(carattere);
            voce->setCheckState(scelta ? Qt::Checked : Qt::Unchecked);
            if (conflitto)
                voce->setBackground(QColor(255, 236, 179));
            else
                voce->setData(Qt::BackgroundRole, QVariant());
        }
    }
    Nota->setText(
        (conflitti == 0 ? QStringLiteral("Nessun campo in conflitto. ")
                        : QString::number(conflitti) +
                              QStringLiteral(" campi in conflitto (in giallo): fare clic sul "
                                             "valore da tenere. ")) +
        QStringLiteral("Gli altri contatti saranno tolti dalla rubrica dell'anno; le voci del "
                       "registro dei loro indirizzi restano."));
}

bool TFDuplicati::Unisci() {
    if (!unione_) return false;
    const std::size_t altri = unione_->Doppi.size() - 1;
    if (boxes_.Ask("Unire " + std::to_string(unione_->Doppi.size()) + " contatti in uno? " +
                   (altri == 1 ? std::string("L'altro sarà tolto")
                               : "Gli altri " + std::to_string(altri) + " saranno tolti") +
                   " dalla rubrica dell'anno.") != TConfirmAnswer::Yes)
        return false;
    bool fatta = false;
    RunGuarded(boxes_, [&] {
        brivano::EseguiUnione(*brivano::RubricaDiLavoro(fdb_), *registro_, *unione_);
        fatta = true;
    });
    if (!fatta) return false;
    cambiata_ = true;
    const int dove = Gruppi->currentRow();
    Cerca();
    if (dove >= 0 && dove < Gruppi->count()) Gruppi->setCurrentRow(dove);
    return true;
}
