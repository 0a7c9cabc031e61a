#include "mailing_window/SceltaDestinatari.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <algorithm>
#include <set>

#include "archive/RowCursor.h"
#include "dialogs/MessageBoxes.h"
#include "mailing_window/VociDestinatari.h"
#include "ui/CasellaFiltro.h"
#include "ui/GrigliaFiltrata.h"
#include "workflow/Destinatari.h"
#include "workflow/NonInviare.h"
#include "workflow/Segmenti.h"

namespace brivano {

namespace {

QPushButton* Bottone(QWidget* parent, const char* name, const char* text, QRect geometry) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TSceltaDestinatari::TSceltaDestinatari(QWidget* finestra, QTableView* grid,
                                       TGrigliaFiltrata& griglia, TRowCursor& elenco,
                                       QListWidget* destinatari, TMessageBoxes& boxes)
    : QObject(finestra),
      grid_(grid),
      griglia_(griglia),
      elenco_(elenco),
      destinatari_(destinatari),
      boxes_(boxes) {
    Filtro = new TCasellaFiltro(finestra);
    Filtro->setObjectName("Filtro");
    Filtro->setGeometry(0, 8, 441, 22);
    connect(Filtro, &QLineEdit::textChanged, this,
            [this](const QString& testo) { griglia_.ImpostaFiltro(testo); });

    ButtonAggiungiSelezionati =
        Bottone(finestra, "ButtonAggiungiSelezionati", "Aggiungi selezionati", {448, 430, 169, 22});
    ButtonAggiungiTutti =
        Bottone(finestra, "ButtonAggiungiTutti", "Aggiungi tutti (filtrati)", {448, 454, 169, 22});
    ButtonRimuovi = Bottone(finestra, "ButtonRimuovi", "Rimuovi", {448, 478, 83, 22});
    ButtonSvuota = Bottone(finestra, "ButtonSvuota", "Svuota", {534, 478, 83, 22});
    ButtonNonInviare =
        Bottone(finestra, "ButtonNonInviare", "Non inviare più", {448, 502, 169, 22});
    LabelNumero = new QLabel(finestra);
    LabelNumero->setObjectName("LabelNumero");
    LabelNumero->setGeometry(448, 527, 169, 17);
    LabelNumero->setAlignment(Qt::AlignCenter);

    connect(ButtonAggiungiSelezionati, &QPushButton::clicked, this,
            &TSceltaDestinatari::AggiungiSelezionati);
    connect(ButtonAggiungiTutti, &QPushButton::clicked, this, &TSceltaDestinatari::AggiungiTutti);
    connect(ButtonRimuovi, &QPushButton::clicked, this, &TSceltaDestinatari::Rimuovi);
    connect(ButtonSvuota, &QPushButton::clicked, this, &TSceltaDestinatari::Svuota);
    connect(ButtonNonInviare, &QPushButton::clicked, this, &TSceltaDestinatari::NonInviarePiu);
    numero_ = LabelNumero;
    lista_ = destinatari_->model();
    connect(lista_, &QAbstractItemModel::rowsInserted, this, &TSceltaDestinatari::AggiornaNumero);
    connect(lista_, &QAbstractItemModel::rowsRemoved, this, &TSceltaDestinatari::AggiornaNumero);
    connect(lista_, &QAbstractItemModel::modelReset, this, &TSceltaDestinatari::AggiornaNumero);
    destinatari_->installEventFilter(this);
    destinatari_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(destinatari_, &QWidget::customContextMenuRequested, this,
            &TSceltaDestinatari::MenuSegmenti);
    AggiornaNumero();
}

void TSceltaDestinatari::Aggiungi(const std::vector<int>& numeri) {
    RunGuarded(boxes_, [&] {
        std::vector<std::optional<std::string>> email;
        // Each entry keeps its contact's fields, as a double-click does, so
        // merge fields are filled for entries picked many at a time too.
        std::vector<TCampiContatto> campi;
        const int campo = elenco_.Active() ? elenco_.FieldIndex("Email") : -1;
        for (int numero : numeri) {
            const bool valida = campo >= 0 && numero > 0;
            email.push_back(valida ? elenco_.ValueAt(numero, campo) : std::nullopt);
            campi.push_back(valida ? CampiDellaRiga(elenco_, numero) : TCampiContatto{});
        }
        std::vector<std::string> voci = TestiDelleVoci(*destinatari_);
        const std::size_t prima = voci.size();
        // Listed addresses are not added without a word; a list that cannot
        // be read is refused by the run itself.
        std::optional<TNonInviare> nonInviare;
        try {
            if (const auto percorso = PercorsoNonInviareConfigurato(); !percorso.empty())
                nonInviare.emplace(percorso);
        } catch (const std::exception&) {
            nonInviare.reset();
        }
        const TEsitoDestinatari esito =
            AggiungiDestinatari(voci, email, nonInviare ? &*nonInviare : nullptr);
        for (std::size_t k = 0; k < esito.Posizioni.size(); ++k)
            AggiungiVoce(*destinatari_, voci[prima + k], campi[esito.Posizioni[k]]);
        boxes_.ShowInfo(TestoEsitoDestinatari(esito));
    });
}

void TSceltaDestinatari::AggiungiSelezionati() {
    std::vector<int> righe;
    for (const QModelIndex& i : grid_->selectionModel()->selectedRows()) righe.push_back(i.row());
    std::sort(righe.begin(), righe.end());  // grid order, whatever order they were picked in
    for (int& riga : righe) riga = griglia_.RigaElenco(riga);
    Aggiungi(righe);
}

void TSceltaDestinatari::AggiungiTutti() {
    std::vector<int> righe(static_cast<std::size_t>(griglia_.rowCount()));
    for (std::size_t i = 0; i < righe.size(); ++i)
        righe[i] = griglia_.RigaElenco(static_cast<int>(i));
    Aggiungi(righe);
}

void TSceltaDestinatari::AggiungiSegmento(const std::string& nome) {
    std::vector<int> numeri;
    bool letti = false;
    RunGuarded(boxes_, [&] {
        // The whole contact list, whatever the search box shows.
        std::vector<TContatto> contatti(
            static_cast<std::size_t>(elenco_.Active() ? elenco_.RowCount() : 0));
        for (const TCampo campo : TuttiCampi) {
            const int indice = elenco_.FieldIndex(NomeColonna(campo));
            for (std::size_t i = 0; indice >= 0 && i < contatti.size(); ++i)
                contatti[i][campo] = elenco_.ValueAt(static_cast<int>(i) + 1, indice).value_or("");
        }
        for (const std::size_t i : ContattiDelSegmentoSalvato(nome, contatti))
            numeri.push_back(static_cast<int>(i) + 1);
        letti = true;
    });
    if (!letti) return;
    if (numeri.empty()) {
        boxes_.ShowInfo("Il segmento " + nome + " non ha contatti in questa rubrica.");
        return;
    }
    Aggiungi(numeri);
}

void TSceltaDestinatari::MenuSegmenti(const QPoint& dove) {
    std::vector<std::string> nomi;
    RunGuarded(boxes_, [&] { nomi = NomiSegmentiSalvati(); });
    QMenu menu;
    QMenu* segmenti = menu.addMenu(QStringLiteral("Aggiungi segmento"));
    segmenti->setEnabled(!nomi.empty() && ButtonAggiungiTutti->isEnabled());
    for (const std::string& nome : nomi)
        segmenti->addAction(QString::fromStdString(nome), this,
                            [this, nome] { AggiungiSegmento(nome); });
    menu.exec(destinatari_->viewport()->mapToGlobal(dove));
}

void TSceltaDestinatari::Rimuovi() {
    const QList<QListWidgetItem*> scelte = destinatari_->selectedItems();
    for (QListWidgetItem* item : scelte) delete destinatari_->takeItem(destinatari_->row(item));
}

void TSceltaDestinatari::Svuota() {
    destinatari_->clear();
}

void TSceltaDestinatari::NonInviarePiu() {
    const QList<QListWidgetItem*> scelte = destinatari_->selectedItems();
    if (scelte.isEmpty()) {
        boxes_.ShowInfo("Selezionare nell'elenco dei destinatari gli indirizzi da non usare più.");
        return;
    }
    RunGuarded(boxes_, [&] {
        TNonInviare elenco(PercorsoNonInviareConfigurato());
        std::string righe;
        for (QListWidgetItem* item : scelte)
            for (const std::string& indirizzo : IndirizziDellaVoce(item->text().toStdString()))
                righe += indirizzo + "\n";
        const TEsitoAggiunta esito = elenco.AggiungiTesto(righe);
        Rimuovi();
        boxes_.ShowInfo("Aggiunti all'elenco non inviare: " + std::to_string(esito.Aggiunti) +
                        " (già presenti: " + std::to_string(esito.GiaPresenti) + ").");
    });
}

void TSceltaDestinatari::Abilita(bool abilita) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{Filtro, ButtonAggiungiSelezionati, ButtonAggiungiTutti,
                                         ButtonRimuovi, ButtonSvuota, ButtonNonInviare})
        w->setEnabled(abilita);
}

void TSceltaDestinatari::AggiornaNumero() {
    // The list's model still reports while the window is being torn down, when
    // the list itself and perhaps the label are gone: count through the model,
    // and write only to a label that still stands.
    if (!numero_) return;
    numero_->setText(QString::fromStdString(
        TestoNumeroDestinatari(static_cast<std::size_t>(lista_->rowCount()))));
}

bool TSceltaDestinatari::eventFilter(QObject* watched, QEvent* event) {
    if (watched == destinatari_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        Rimuovi();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace brivano
