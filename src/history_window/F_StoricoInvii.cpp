#include "history_window/F_StoricoInvii.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/MessageBoxes.h"
#include "history_window/RiquadroProgrammati.h"
#include "ui/CartellaFile.h"
#include "ui/CostruzioneDifferita.h"
#include "ui/ElencoRighe.h"
#include "ui/Fonts.h"

namespace {

QTableWidget* Griglia(QWidget* parent, const char* nome, const std::vector<std::string>& colonne) {
    auto* griglia = brivano::NuovoElencoRighe(parent, nome, colonne);
    griglia->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return griglia;
}

void Riempi(QTableWidget& griglia, const std::vector<brivano::TRigaStorico>& righe) {
    griglia.setRowCount(static_cast<int>(righe.size()));
    for (int r = 0; r < static_cast<int>(righe.size()); ++r) {
        const auto& celle = righe[static_cast<std::size_t>(r)].Celle;
        for (int c = 0; c < static_cast<int>(celle.size()); ++c) {
            auto* cella =
                new QTableWidgetItem(QString::fromStdString(celle[static_cast<std::size_t>(c)]));
            cella->setData(Qt::UserRole, QVariant::fromValue<qint64>(
                                             righe[static_cast<std::size_t>(r)].Spedizione));
            griglia.setItem(r, c, cella);
        }
    }
    griglia.resizeColumnsToContents();
}

}  // namespace

TFStoricoInvii::TFStoricoInvii(TMessageBoxes& boxes, TPercorsoRegistro registro, QWidget* parent)
    : QDialog(parent), boxes_(boxes), percorso_(std::move(registro)) {
    setObjectName("FStoricoInvii");
    setWindowTitle(QStringLiteral("Storico Invii"));
    setFont(Tahoma(8));
    resize(900, 560);
    ScegliFile = [this](const QString& proposto) {
        QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Esporta in CSV"),
                                                    brivano::PercorsoProposto(proposto),
                                                    QStringLiteral("File CSV (*.csv)"));
        brivano::RicordaCartella(file);
        return file;
    };
    brivano::CostruisciControlli(*this, [this] { CreaControlli(); });
}

TFStoricoInvii::~TFStoricoInvii() = default;

void TFStoricoInvii::CreaControlli() {
    GrigliaSpedizioni =
        Griglia(this, "GrigliaSpedizioni", brivano::TStoricoInvii::ColonneSpedizioni());
    GrigliaVoci = Griglia(this, "GrigliaVoci", brivano::TStoricoInvii::ColonneVoci());
    connect(GrigliaSpedizioni, &QTableWidget::itemSelectionChanged, this, [this] { MostraVoci(); });

    LabelVoci = new QLabel(this);
    LabelVoci->setObjectName("LabelVoci");
    auto* sotto = new QWidget(this);
    auto* colonnaVoci = new QVBoxLayout(sotto);
    colonnaVoci->setContentsMargins(0, 0, 0, 0);
    colonnaVoci->addWidget(LabelVoci);
    colonnaVoci->addWidget(GrigliaVoci);

    auto* divisore = new QSplitter(Qt::Vertical, this);
    divisore->addWidget(GrigliaSpedizioni);
    divisore->addWidget(sotto);
    divisore->setStretchFactor(0, 1);
    divisore->setStretchFactor(1, 2);

    auto pulsante = [this](const char* nome, const QString& testo) {
        return brivano::NuovoPulsante(this, nome, testo);
    };
    ButtonAggiorna = pulsante("ButtonAggiorna", QStringLiteral("Aggiorna"));
    ButtonEsporta = pulsante("ButtonEsporta", QStringLiteral("Esporta invio in CSV..."));
    ButtonEsportaTutto = pulsante("ButtonEsportaTutto", QStringLiteral("Esporta tutto in CSV..."));
    ButtonRiprendi = pulsante("ButtonRiprendi", QStringLiteral("Riprendi"));
    ButtonReinvia = pulsante("ButtonReinvia", QStringLiteral("Reinvia ai falliti"));
    ButtonChiudi = pulsante("ButtonChiudi", QStringLiteral("Chiudi"));
    ButtonControllaPosta = pulsante("ButtonControllaPosta", QStringLiteral("Controlla posta"));
    ButtonControllaPosta->setVisible(static_cast<bool>(controllaPosta_));
    LabelPosta = new QLabel(this);
    LabelPosta->setObjectName("LabelPosta");
    LabelPosta->setWordWrap(true);
    LabelPosta->hide();
    connect(ButtonControllaPosta, &QPushButton::clicked, this, [this] {
        if (controllaPosta_) controllaPosta_();
    });
    ButtonRiprendi->setToolTip(
        QStringLiteral("Invia agli indirizzi rimasti da inviare dell'invio scelto"));
    ButtonReinvia->setToolTip(
        QStringLiteral("Invia di nuovo agli indirizzi falliti dell'invio scelto"));
    connect(ButtonRiprendi, &QPushButton::clicked, this, [this] { ButtonRiprendiClick(); });
    connect(ButtonReinvia, &QPushButton::clicked, this, [this] { ButtonReinviaClick(); });
    connect(ButtonAggiorna, &QPushButton::clicked, this, [this] { ButtonAggiornaClick(); });
    connect(ButtonEsporta, &QPushButton::clicked, this, [this] { ButtonEsportaClick(); });
    connect(ButtonEsportaTutto, &QPushButton::clicked, this, [this] { ButtonEsportaTuttoClick(); });
    connect(ButtonChiudi, &QPushButton::clicked, this, &QDialog::close);

    auto* pulsanti = new QHBoxLayout;
    pulsanti->addWidget(ButtonAggiorna);
    pulsanti->addWidget(ButtonControllaPosta);
    pulsanti->addWidget(ButtonRiprendi);
    pulsanti->addWidget(ButtonReinvia);
    pulsanti->addStretch();
    pulsanti->addWidget(ButtonEsporta);
    pulsanti->addWidget(ButtonEsportaTutto);
    pulsanti->addWidget(ButtonChiudi);

    Programmati = new TRiquadroProgrammati(boxes_, percorso_, this);
    Programmati->AvviaDovuti = [this] {
        if (AvviaDovuti) AvviaDovuti();
    };
    auto* colonna = new QVBoxLayout(this);
    colonna->addWidget(divisore);
    colonna->addWidget(LabelPosta);
    colonna->addWidget(Programmati);
    colonna->addLayout(pulsanti);
}

void TFStoricoInvii::SetControllaPosta(std::function<void()> controlla) {
    controllaPosta_ = std::move(controlla);
    if (ButtonControllaPosta != nullptr)
        ButtonControllaPosta->setVisible(static_cast<bool>(controllaPosta_));
}

void TFStoricoInvii::PostaIniziata() {
    if (ButtonControllaPosta == nullptr) return;
    ButtonControllaPosta->setEnabled(false);
    LabelPosta->setText(QStringLiteral("Controllo della posta in corso…"));
    LabelPosta->show();
}

void TFStoricoInvii::PostaConclusa(bool riuscito, const QString& testo) {
    if (ButtonControllaPosta == nullptr) return;
    ButtonControllaPosta->setEnabled(true);
    LabelPosta->setText(riuscito ? testo : QStringLiteral("Controllo non riuscito: ") + testo);
    LabelPosta->show();
    if (isVisible()) ButtonAggiornaClick();
}

void TFStoricoInvii::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) ButtonAggiornaClick();
}

void TFStoricoInvii::ButtonAggiornaClick() {
    const auto scelta = brivano::NumeroScelto(*GrigliaSpedizioni);
    GrigliaSpedizioni->setRowCount(0);
    GrigliaVoci->setRowCount(0);
    righe_.clear();
    RunGuarded(boxes_, [&] {
        // Opened afresh: a run may have been recorded since.
        storico_.reset();
        const auto file = percorso_ ? percorso_() : std::nullopt;
        if (file) storico_ = std::make_unique<brivano::TStoricoInvii>(*file);
        righe_ = storico_ ? storico_->Spedizioni() : std::vector<brivano::TRigaStorico>{};
        const auto& righe = righe_;
        Riempi(*GrigliaSpedizioni, righe);
        int riga = righe.empty() ? -1 : 0;
        for (int r = 0; r < static_cast<int>(righe.size()); ++r)
            if (scelta && righe[static_cast<std::size_t>(r)].Spedizione == *scelta) riga = r;
        if (riga >= 0) GrigliaSpedizioni->selectRow(riga);
    });
    Programmati->Aggiorna();
    const bool vuoto = GrigliaSpedizioni->rowCount() == 0;
    ButtonEsporta->setEnabled(!vuoto);
    ButtonEsportaTutto->setEnabled(!vuoto);
    if (vuoto) LabelVoci->setText(QStringLiteral("Nessun invio registrato."));
}

void TFStoricoInvii::MostraVoci() {
    const auto scelta = brivano::NumeroScelto(*GrigliaSpedizioni);
    const brivano::TRigaStorico* riga = nullptr;
    for (const auto& r : righe_)
        if (scelta && r.Spedizione == *scelta) riga = &r;
    // A run being sent now is the mailing window's.
    const bool libera = riga && riga->Spedizione != (attiva_ ? attiva_() : 0) && riprendi_;
    ButtonRiprendi->setEnabled(libera && riga->DaRiprendere);
    ButtonReinvia->setEnabled(libera && riga->ConFalliti);
    GrigliaVoci->setRowCount(0);
    if (!scelta || !storico_) return;
    RunGuarded(boxes_, [&] {
        Riempi(*GrigliaVoci, storico_->Voci(*scelta, attiva_ ? attiva_() : 0));
        LabelVoci->setText(QStringLiteral("Indirizzi dell'invio %1: %2")
                               .arg(*scelta)
                               .arg(GrigliaVoci->rowCount()));
    });
}

void TFStoricoInvii::ButtonRiprendiClick() {
    Riprendi(false);
}

void TFStoricoInvii::ButtonReinviaClick() {
    Riprendi(true);
}

void TFStoricoInvii::Riprendi(bool soloFalliti) {
    const auto scelta = brivano::NumeroScelto(*GrigliaSpedizioni);
    if (!scelta || !riprendi_) return;
    // The history's own journal lets go first: the run reads it afresh.
    storico_.reset();
    riprendi_(*scelta, soloFalliti);
    ButtonAggiornaClick();
}

void TFStoricoInvii::ButtonEsportaClick() {
    if (const auto scelta = brivano::NumeroScelto(*GrigliaSpedizioni)) Esporta(*scelta);
}

void TFStoricoInvii::ButtonEsportaTuttoClick() {
    Esporta(std::nullopt);
}

void TFStoricoInvii::Esporta(std::optional<std::int64_t> spedizione) {
    if (!storico_) return;
    const QString file =
        ScegliFile(QString::fromStdString(brivano::TStoricoInvii::NomeFileCsv(spedizione)));
    if (file.isEmpty()) return;
    RunGuarded(boxes_, [&] {
        storico_->EsportaCsv(spedizione, file.toStdString());
        boxes_.ShowInfo("Esportazione completata: " + file.toStdString());
    });
}
