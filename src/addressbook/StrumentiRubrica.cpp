#include "addressbook/StrumentiRubrica.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QTableView>
#include <unordered_set>

#include "addressbook/F_Duplicati.h"
#include "addressbook/F_ImportaContatti.h"
#include "addressbook/F_NonInviare.h"
#include "addressbook/F_SchedaRegistro.h"
#include "archive/F_DB.h"
#include "dialogs/MessageBoxes.h"
#include "ui/CartellaFile.h"
#include "ui/CasellaFiltro.h"
#include "ui/GrigliaFiltrata.h"
#include "workflow/ComandiContatti.h"

namespace brivano {

namespace {

constexpr const char* kFiltriEsportazione =
    "CSV per fogli di calcolo, separatore ; (*.csv);;CSV con separatore , (*.csv);;vCard 4.0 "
    "(*.vcf)";

}  // namespace

TStrumentiRubrica::TStrumentiRubrica(QWidget* finestra, QMenuBar* menu, QTableView* grid,
                                     TGrigliaFiltrata& griglia, TFDB& fdb, TMessageBoxes& boxes,
                                     std::function<void()> dettaglio,
                                     std::function<void()> ricarica)
    : QObject(finestra),
      finestra_(finestra),
      grid_(grid),
      griglia_(griglia),
      fdb_(fdb),
      boxes_(boxes),
      dettaglio_(std::move(dettaglio)),
      ricarica_(std::move(ricarica)) {
    Filtro = new TCasellaFiltro(grid->parentWidget());
    Filtro->setObjectName("Filtro");
    connect(Filtro, &QLineEdit::textChanged, this,
            [this](const QString& testo) { griglia_.ImpostaFiltro(testo); });
    // Enter in the box brings the detail panel to the first contact found.
    connect(Filtro, &TCasellaFiltro::Invio, this, [this] {
        if (griglia_.rowCount() == 0) return;
        if (!grid_->currentIndex().isValid()) grid_->setCurrentIndex(griglia_.index(0, 0));
        dettaglio_();
    });
    grid_->installEventFilter(this);

    Contatti = menu->addMenu(QStringLiteral("Contatti"));
    Importa1 = Contatti->addAction(QStringLiteral("&Importa..."), this, [this] { Importa(); });
    EsportaTutti1 =
        Contatti->addAction(QStringLiteral("Esporta &tutti..."), this, [this] { Esporta(false); });
    EsportaFiltrati1 = Contatti->addAction(QStringLiteral("Esporta &filtrati..."), this,
                                           [this] { Esporta(true); });
    Contatti->addSeparator();
    NonInviare1 =
        Contatti->addAction(QStringLiteral("Non inviare più"), this, [this] { NonInviarePiu(); });
    ElencoNonInviare1 = Contatti->addAction(QStringLiteral("Elenco non inviare..."), this,
                                            [this] { ApriNonInviare(); });
    Contatti->addSeparator();
    Registro1 = Contatti->addAction(QStringLiteral("&Registro del contatto..."), this,
                                    [this] { ApriRegistro(); });
    Duplicati1 = Contatti->addAction(QStringLiteral("Trova &duplicati..."), this,
                                     [this] { ApriDuplicati(); });
}

bool TStrumentiRubrica::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            dettaglio_();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TStrumentiRubrica::Importa(const QString& file) {
    TFImportaContatti finestra(fdb_, boxes_, finestra_);
    if (!file.isEmpty()) {
        if (finestra.Apri(file) && finestra.Importa()) ricarica_();
        return;
    }
    if (finestra.exec() == QDialog::Accepted) ricarica_();
}

void TStrumentiRubrica::Esporta(bool soloFiltrati, const QString& file) {
    QString percorso = file;
    QString filtroScelto;
    if (percorso.isEmpty()) {
        percorso =
            QFileDialog::getSaveFileName(finestra_, QStringLiteral("Esporta contatti"),
                                         PercorsoProposto(QStringLiteral("contatti.csv")),
                                         QString::fromUtf8(kFiltriEsportazione), &filtroScelto);
        if (percorso.isEmpty()) return;
        RicordaCartella(percorso);
    }
    RunGuarded(boxes_, [&] {
        std::unordered_set<long long> scelti;
        if (soloFiltrati) {
            // The rows the grid shows, found by their row ids.
            const int ordNum = fdb_.QGEN.Active() ? fdb_.QGEN.FieldIndex("OrdNum") : -1;
            for (int r = 0; ordNum >= 0 && r < griglia_.rowCount(); ++r)
                if (const TFieldValue id = fdb_.QGEN.ValueAt(griglia_.RigaElenco(r), ordNum))
                    scelti.insert(std::stoll(*id));
        }
        const char separatore = filtroScelto.contains(QStringLiteral("separatore ,")) ? ',' : ';';
        const std::size_t quanti = EsportaContatti(*RubricaDiLavoro(fdb_), percorso.toStdString(),
                                                   separatore, soloFiltrati ? &scelti : nullptr);
        boxes_.ShowInfo(TestoEsportati(quanti, percorso.toStdString()));
    });
}

void TStrumentiRubrica::NonInviarePiu() {
    RunGuarded(boxes_, [&] {
        boxes_.ShowInfo(brivano::NonInviarePiu(
            fdb_.T_Rubrica.Active() ? fdb_.T_Rubrica.FieldValue("EMail") : std::nullopt));
    });
}
void TStrumentiRubrica::ApriNonInviare() {
    TFNonInviare finestra(boxes_, finestra_);
    finestra.exec();
}

void TStrumentiRubrica::ApriRegistro() {
    const std::optional<std::string> email =
        fdb_.T_Rubrica.Active() ? fdb_.T_Rubrica.FieldValue("EMail") : std::nullopt;
    if (!email || email->find_first_not_of(" \t") == std::string::npos) {
        boxes_.ShowInfo(
            "Il contatto non ha un indirizzo e-mail: il registro tiene i dati per "
            "indirizzo.");
        return;
    }
    TFSchedaRegistro finestra(boxes_, *email, finestra_);
    finestra.exec();
}

void TStrumentiRubrica::ApriDuplicati() {
    TFDuplicati finestra(fdb_, boxes_, finestra_);
    finestra.exec();
    if (finestra.Cambiata()) ricarica_();
}

}  // namespace brivano
