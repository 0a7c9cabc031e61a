#include "addressbook/F_Rubrica.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "addressbook/GridModel.h"
#include "addressbook/GrigliaFiltrata.h"
#include "addressbook/StrumentiRubrica.h"
#include "archive/F_DB.h"
#include "dialogs/MessageBoxes.h"
#include "ui/CasellaFiltro.h"
#include "ui/Colors.h"
#include "ui/Fonts.h"
#include "ui/ImageList.h"
#include "workflow/Collegamenti.h"

namespace {

constexpr int kClientWidth = 1021, kClientHeight = 661, kStatusHeight = 28;
constexpr int kColoreFinestra = 16706266, kColorePannello = 185, kColoreGriglia = 14408667,
              kColoreIntestazione = 16745604, kColoreEtichetta = 14650176,
              kColoreEvidenza = 15780518;

const char* const kTestoCancellazione =
    "ATTENZIONE - RICHIESTA CANCELLAZIONE SCHEDA\r\r"
    "E' stato chiesto di Cancellare la scheda corrente.\r\r"
    "Confermi l'operazione?";
const char* const kTestoSalvataggio =
    "ATTENZIONE - CONTATTO NON SALVATO\r\r"
    "Il contatto in corso di inserimento o modifica non è stato salvato.\r\r"
    "Salvarlo adesso?";

void Colora(QWidget* w, int colore) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, ColourFromBgr(colore));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void ColoraBase(QWidget* w, const QColor& colore) {
    QPalette p = w->palette();
    p.setColor(QPalette::Active, QPalette::Base, colore);
    p.setColor(QPalette::Inactive, QPalette::Base, colore);
    w->setPalette(p);
}

QFrame* Pannello(QWidget* parent, const char* name, QRect geometry) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setGeometry(geometry);
    return panel;
}

// Hints are kept with their controls but, as everywhere in this window, not shown.
void Suggerimento(QObject* o, const char* hint) {
    o->setProperty("hint", QString::fromUtf8(hint));
}

bool InModifica(const TRowCursor& ds) {
    return ds.State() == TCursorState::Editing || ds.State() == TCursorState::Inserting;
}

// Focus that only follows a menu or another window coming and going is not
// the user entering or leaving a field.
bool VeroCambioFuoco(QEvent* event) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

// Holds back the refresh of the detail panel while a handler walks the table.
class TSilenzio {
  public:
    explicit TSilenzio(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~TSilenzio() { flag_ = old_; }

  private:
    bool& flag_;
    bool old_;
};

}  // namespace

TFRubrica::TFRubrica(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), fdb_(fdb), boxes_(boxes) {
    setObjectName("FRubrica");
    setWindowTitle("Rubrica");
    setFont(Tahoma(8));
    Colora(this, kColoreFinestra);
    CreaComponenti();
    ImpostaStato(TStatoRubrica::Consultazione);

    tableListener_ = fdb_.T_Rubrica.Subscribe([this](TCursorEvent) {
        if (silenzio_) return;
        AggiornaCampi();
        AggiornaNavigatore();
    });
    queryListener_ = fdb_.QGEN.Subscribe([this](TCursorEvent) { AggiornaSelezioneGriglia(); });
    AggiornaCampi();
    AggiornaNavigatore();
}

TFRubrica::~TFRubrica() {
    fdb_.T_Rubrica.Unsubscribe(tableListener_);
    fdb_.QGEN.Unsubscribe(queryListener_);
}

void TFRubrica::CreaComponenti() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* menu = new QMenuBar(this);
    menu->setObjectName("MainMenu1");
    layout->setMenuBar(menu);
    QMenu* rubrica = menu->addMenu("Rubrica");
    auto voce = [&](QAction*& action, const char* name, const char* caption, int picture,
                    void (TFRubrica::*handler)()) {
        action = rubrica->addAction(ImageList2BIG(picture), caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
    };
    voce(Nuovo1, "Nuovo1", "&Nuovo", 5, &TFRubrica::Nuovo1Click);
    voce(Modifica1, "Modifica1", "&Modifica", 6, &TFRubrica::Modifica1Click);
    voce(Salva1, "Salva1", "&Salva", 4, &TFRubrica::Salva1Click);
    voce(Cancella1, "Cancella1", "&Cancella", 7, &TFRubrica::Cancella1Click);
    voce(Annulla1, "Annulla1", "&Annulla", 9, &TFRubrica::Annulla1Click);
    rubrica->addSeparator();
    voce(Esci1, "Esci1", "&Esci", 0, &TFRubrica::Esci1Click);

    auto* client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight);
    layout->addWidget(client);
    const int altezza = kClientHeight - kStatusHeight;

    // List side.
    Panel2 = Pannello(client, "Panel2", {0, 0, 618, altezza});
    Panel2->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    Colora(Panel2, 0xFFFFFF);
    auto* grid = new brivano::TGridView(Panel2);
    grid->OnRowDoubleClick = [this] { DBGrid1DblClick(); };
    DBGrid1 = grid;
    DBGrid1->setObjectName("DBGrid1");
    DBGrid1->setGeometry(6, 32, 606, altezza - 38);
    QPalette griglia = DBGrid1->palette();
    griglia.setColor(QPalette::Base, ColourFromBgr(kColoreGriglia));
    DBGrid1->setPalette(griglia);
    model_ = new brivano::TGridModel(fdb_.QGEN,
                                     {
                                         {"Ragione_Sociale", "Intestazione", 220, Qt::AlignLeft,
                                          ColourFromBgr(kColoreIntestazione), true},
                                         {"Tipo", {}, 120, Qt::AlignLeft, std::nullopt, false},
                                         {"Email", {}, 110, Qt::AlignLeft, std::nullopt, false},
                                         {"CAP", {}, 40, Qt::AlignHCenter, std::nullopt, false},
                                         {"Citta", {}, 100, Qt::AlignHCenter, std::nullopt, false},
                                     },
                                     this);
    filtrata_ = new brivano::TGrigliaFiltrata(fdb_.QGEN, model_, this);
    DBGrid1->setModel(filtrata_);
    Strumenti = new brivano::TStrumentiRubrica(
        this, menu, DBGrid1, *filtrata_, fdb_, boxes_, [this] { DBGrid1DblClick(); },
        [this] {
            RunGuarded(boxes_, [this] {
                fdb_.T_Rubrica.Close();
                fdb_.T_Rubrica.Open();
                fdb_.CaricaRubrica();
            });
        });
    Strumenti->Filtro->setGeometry(6, 6, 606, 22);
    DBGrid1->setItemDelegate(new brivano::TRowLineDelegate(DBGrid1));
    DBGrid1->setShowGrid(false);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setTabKeyNavigation(true);
    DBGrid1->setWordWrap(false);
    DBGrid1->verticalHeader()->hide();
    // Fixed row heights: the view never measures rows it does not show.
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid1->verticalHeader()->setDefaultSectionSize(18);
    QHeaderView* titoli = DBGrid1->horizontalHeader();
    titoli->setSectionsMovable(false);
    titoli->setSectionResizeMode(QHeaderView::Fixed);
    titoli->setStretchLastSection(false);
    titoli->setDefaultAlignment(Qt::AlignCenter);
    for (size_t c = 0; c < model_->Columns().size(); ++c)
        DBGrid1->setColumnWidth(static_cast<int>(c), model_->Columns()[c].width);
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) SelezioneGrigliaCambiata(current.row());
            });

    // Tool side.
    Panel1 = Pannello(client, "Panel1", {kClientWidth - 402, 0, 402, altezza});
    Colora(Panel1, kColorePannello);
    auto* coolBar = Pannello(Panel1, "CoolBar2", {0, 0, 402, 47});
    coolBar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Colora(coolBar, kColoreFinestra);
    auto* toolBar = new QWidget(coolBar);
    toolBar->setObjectName("ToolBar1");
    toolBar->setGeometry(2, 2, 259, 43);
    auto bottone = [&](QToolButton*& b, const char* name, const char* caption, int picture,
                       const char* hint, int x, void (TFRubrica::*handler)()) {
        b = new QToolButton(toolBar);
        b->setObjectName(name);
        b->setText(caption);
        b->setIcon(ImageList2BIG(picture));
        b->setIconSize({32, 32});
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        b->setAutoRaise(true);
        b->setGeometry(x, 2, 39, 39);
        Suggerimento(b, hint);
        connect(b, &QToolButton::clicked, this, handler);
    };
    bottone(TBNuovo, "TBNuovo", "&Nuovo", 5, "Nuovo Contatto", 0, &TFRubrica::Nuovo1Click);
    bottone(TBModifica, "TBModifica", "&Modifica", 6, "Modifica Contatto", 39,
            &TFRubrica::Modifica1Click);
    bottone(TBSalva, "TBSalva", "&Salva", 4, "Salva Contatto", 78, &TFRubrica::Salva1Click);
    bottone(TBCancella, "TBCancella", "&Cancella", 7, "Cancella Contatto", 117,
            &TFRubrica::Cancella1Click);
    bottone(TBAnnulla, "TBAnnulla", "&Annulla", 9, "Annulla Operazione", 156,
            &TFRubrica::Annulla1Click);
    bottone(TBEsci, "TBEsci", "&Esci", 0, "Esci", 195 + 8, &TFRubrica::Esci1Click);

    DBNavigator1 = new QWidget(coolBar);
    DBNavigator1->setObjectName("DBNavigator1");
    DBNavigator1->setGeometry(263 + 7, 8, 120, 30);
    Suggerimento(DBNavigator1, "Scorri Archivio");
    auto scorri = [&](QToolButton*& b, const char* name, QStyle::StandardPixmap picture, int x,
                      void (TRowCursor::*passo)()) {
        b = new QToolButton(DBNavigator1);
        b->setObjectName(name);
        b->setIcon(style()->standardIcon(picture));
        b->setGeometry(x, 0, 30, 30);
        connect(b, &QToolButton::clicked, this, [this, passo] { Scorri(passo); });
    };
    scorri(NavFirst, "NavFirst", QStyle::SP_MediaSkipBackward, 0, &TRowCursor::First);
    scorri(NavPrior, "NavPrior", QStyle::SP_MediaSeekBackward, 30, &TRowCursor::Prior);
    scorri(NavNext, "NavNext", QStyle::SP_MediaSeekForward, 60, &TRowCursor::Next);
    scorri(NavLast, "NavLast", QStyle::SP_MediaSkipForward, 90, &TRowCursor::Last);

    // Detail panel.
    Panel3 = Pannello(Panel1, "Panel3", {4, 51, 394, 345});
    Colora(Panel3, kColorePannello);
    auto* bevel = Pannello(Panel3, "Bevel1", {4, 4, 386, 337});
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    QFont grassetto = font();
    grassetto.setBold(true);
    auto etichetta = [&](const char* caption, int y) {
        auto* label = new QLabel(QString::fromUtf8(caption), Panel3);
        label->setGeometry(10, y, 80, 17);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setFont(grassetto);
        Colora(label, kColoreEtichetta);
    };
    auto campo = [&](QLineEdit*& edit, const char* name, int maxLength, const char* caption,
                     QRect geometry) {
        etichetta(caption, geometry.y());
        edit = new QLineEdit(Panel3);
        edit->setObjectName(name);
        edit->setMaxLength(maxLength);
        edit->setGeometry(geometry);
        edit->installEventFilter(this);
        campi_.push_back({edit, name});
    };
    campo(Ragione_Sociale, "Ragione_Sociale", 60, "Intestazione", {98, 16, 285, 21});
    campo(Tipo, "Tipo", 60, " Tipo", {98, 40, 285, 21});
    campo(CAP, "CAP", 5, " CAP", {98, 64, 60, 21});
    campo(Citta, "Citta", 40, " Città", {98, 90, 183, 21});
    campo(EMail, "EMail", 100, " E-Mail", {98, 114, 263, 21});
    campo(Sito, "Sito", 100, " Sito", {98, 140, 263, 21});
    etichetta(" Note", 168);
    Note = new QPlainTextEdit(Panel3);
    Note->setObjectName("Note");
    Note->setGeometry(10, 192, 370, 137);
    Note->setTabChangesFocus(true);
    Note->installEventFilter(this);
    campi_.push_back({Note, "Note"});

    auto lampo = [&](QToolButton*& b, const char* name, int picture, const char* hint, int y,
                     void (TFRubrica::*handler)()) {
        b = new QToolButton(Panel3);
        b->setObjectName(name);
        b->setIcon(ImageList2BIG(picture));
        b->setIconSize({20, 20});
        b->setGeometry(360, y, 23, 22);
        b->setFocusPolicy(Qt::NoFocus);
        Suggerimento(b, hint);
        connect(b, &QToolButton::clicked, this, handler);
    };
    lampo(SpeedButton2, "SpeedButton2", 3, "Invia Messaggio", 114, &TFRubrica::SpeedButton2Click);
    lampo(SpeedButton1, "SpeedButton1", 8, "Apri Sito", 140, &TFRubrica::SpeedButton1Click);

    // Status bar: three panels nobody writes to.
    StatusBar2 = new QStatusBar(client);
    StatusBar2->setObjectName("StatusBar2");
    StatusBar2->setGeometry(0, altezza, kClientWidth, kStatusHeight);
    StatusBar2->setSizeGripEnabled(false);
    auto sezione = [&](const char* text, int width, QFrame::Shadow shadow) {
        auto* label = new QLabel(text, StatusBar2);
        label->setFixedWidth(width);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Panel | shadow);
        StatusBar2->addWidget(label);
    };
    sezione("Rubrica", 120, QFrame::Raised);
    sezione("", 800, QFrame::Sunken);
    sezione("", 50, QFrame::Sunken);
}

void TFRubrica::Scorri(void (TRowCursor::*passo)()) {
    TTable& table = fdb_.T_Rubrica;
    RunGuarded(boxes_, [&table, passo] { (table.*passo)(); });
}

void TFRubrica::ImpostaStato(TStatoRubrica stato) {
    stato_ = stato;
    const bool consultazione = stato == TStatoRubrica::Consultazione;
    const bool modifica = stato == TStatoRubrica::Modifica;
    Nuovo1->setEnabled(consultazione);
    TBNuovo->setEnabled(consultazione);
    Modifica1->setEnabled(consultazione);
    TBModifica->setEnabled(consultazione);
    Salva1->setEnabled(modifica);
    TBSalva->setEnabled(modifica);
    Annulla1->setEnabled(modifica);
    TBAnnulla->setEnabled(modifica);
    Cancella1->setEnabled(consultazione);
    TBCancella->setEnabled(consultazione);
    Esci1->setEnabled(consultazione);
    TBEsci->setEnabled(consultazione);
    DBNavigator1->setEnabled(consultazione);
    Panel2->setEnabled(consultazione);
    Panel3->setEnabled(modifica);
    Strumenti->Contatti->setEnabled(consultazione);
}

std::string TFRubrica::Testo(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text().toStdString();
    return static_cast<const QPlainTextEdit*>(control)->toPlainText().toStdString();
}

namespace {
bool Modificato(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->isModified();
    return static_cast<const QPlainTextEdit*>(control)->document()->isModified();
}
}  // namespace

void TFRubrica::ScriviCampi() {
    if (!InModifica(fdb_.T_Rubrica)) return;
    // Read every screen text first: each write refreshes the panel from the row.
    std::vector<std::pair<std::string, std::string>> valori;
    for (const TCampo& c : campi_)
        if (Modificato(c.control)) valori.emplace_back(c.field, Testo(c.control));
    if (valori.empty()) return;
    {
        TSilenzio silenzio(silenzio_);
        for (const auto& [field, text] : valori) fdb_.T_Rubrica.SetFieldValue(field, text);
    }
    AggiornaCampi();
}

void TFRubrica::AggiornaCampi() {
    const TTable& t = fdb_.T_Rubrica;
    for (const TCampo& c : campi_) {
        const QString text =
            t.Active() ? QString::fromStdString(t.FieldValue(c.field).value_or("")) : QString();
        if (auto* edit = qobject_cast<QLineEdit*>(c.control)) {
            edit->setText(text);
        } else {
            auto* memo = static_cast<QPlainTextEdit*>(c.control);
            memo->setPlainText(text);
            memo->document()->setModified(false);
        }
    }
}

void TFRubrica::AggiornaNavigatore() {
    const TTable& t = fdb_.T_Rubrica;
    const bool indietro = t.Active() && !t.AtStart(), avanti = t.Active() && !t.AtEnd();
    NavFirst->setEnabled(indietro);
    NavPrior->setEnabled(indietro);
    NavNext->setEnabled(avanti);
    NavLast->setEnabled(avanti);
}

void TFRubrica::AggiornaSelezioneGriglia() {
    TSilenzio syncing(syncingGrid_);
    const TQuery& q = fdb_.QGEN;
    if (!q.Active() || q.RowNumber() < 1) {
        DBGrid1->selectionModel()->clearCurrentIndex();
        DBGrid1->clearSelection();
        return;
    }
    const int riga = filtrata_->RigaGriglia(q.RowNumber());
    if (riga < 0) {
        DBGrid1->selectionModel()->clearCurrentIndex();
        DBGrid1->clearSelection();
        return;
    }
    const QModelIndex current = filtrata_->index(riga, 0);
    DBGrid1->selectionModel()->setCurrentIndex(
        current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TFRubrica::SelezioneGrigliaCambiata(int row) {
    if (syncingGrid_ || !fdb_.QGEN.Active()) return;
    RunGuarded(boxes_, [&] { fdb_.QGEN.MoveToRow(filtrata_->RigaElenco(row)); });
}

void TFRubrica::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (!shownOnce_) {
        shownOnce_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    FormShow();
}

void TFRubrica::keyPressEvent(QKeyEvent* event) {
    // The window has no cancel button: Escape does not close it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFRubrica::eventFilter(QObject* watched, QEvent* event) {
    const bool in = event->type() == QEvent::FocusIn, out = event->type() == QEvent::FocusOut;
    if ((in || out) && VeroCambioFuoco(event)) {
        auto* control = static_cast<QWidget*>(watched);
        ColoraBase(control, in ? ColourFromBgr(kColoreEvidenza)
                               : QApplication::palette().color(QPalette::Base));
        if (out) {
            auto campo = std::find_if(campi_.begin(), campi_.end(),
                                      [&](const TCampo& c) { return c.control == control; });
            if (campo != campi_.end() && Modificato(control) && InModifica(fdb_.T_Rubrica))
                RunGuarded(boxes_,
                           [&] { fdb_.T_Rubrica.SetFieldValue(campo->field, Testo(control)); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TFRubrica::SchedaInSospeso() const {
    return InModifica(fdb_.T_Rubrica);
}

void TFRubrica::ChiediSalvataggio() {
    if (!SchedaInSospeso()) return;
    if (boxes_.Ask(kTestoSalvataggio) == TConfirmAnswer::Yes) {
        ScriviCampi();
        fdb_.T_Rubrica.Post();
    } else {
        fdb_.T_Rubrica.Cancel();
    }
    ImpostaStato(TStatoRubrica::Consultazione);
}

void TFRubrica::FormShow() {
    const bool eraAperta = fdb_.T_Rubrica.Active();
    RunGuarded(boxes_, [&] {
        fdb_.T_Rubrica.Open();
        fdb_.CaricaRubrica();
    });
    // A contact left pending by the close box may have been settled while the
    // window was away (a year change closes the table): nothing is being
    // edited any more.
    if (!eraAperta && stato_ == TStatoRubrica::Modifica) ImpostaStato(TStatoRubrica::Consultazione);
}

void TFRubrica::Nuovo1Click() {
    ImpostaStato(TStatoRubrica::Modifica);
    RunGuarded(boxes_, [&] {
        fdb_.T_Rubrica.Append();
        Ragione_Sociale->setFocus();
    });
}

void TFRubrica::Modifica1Click() {
    ImpostaStato(TStatoRubrica::Modifica);
    RunGuarded(boxes_, [&] {
        fdb_.T_Rubrica.Edit();
        Ragione_Sociale->setFocus();
    });
}

void TFRubrica::Salva1Click() {
    ImpostaStato(TStatoRubrica::Consultazione);
    RunGuarded(boxes_, [&] {
        ScriviCampi();
        fdb_.T_Rubrica.Post();
        fdb_.CaricaRubrica();
    });
}

void TFRubrica::Annulla1Click() {
    ImpostaStato(TStatoRubrica::Consultazione);
    RunGuarded(boxes_, [&] { fdb_.T_Rubrica.Cancel(); });
}

void TFRubrica::Cancella1Click() {
    ImpostaStato(TStatoRubrica::Conferma);
    if (boxes_.Confirm("Confirm", kTestoCancellazione) == TConfirmAnswer::Yes)
        RunGuarded(boxes_, [&] {
            fdb_.T_Rubrica.Delete();
            fdb_.CaricaRubrica();
        });
    ImpostaStato(TStatoRubrica::Consultazione);
}

void TFRubrica::Esci1Click() {
    RunGuarded(boxes_, [&] {
        // Only a failed save leaves a row pending here, and closing would drop it.
        ChiediSalvataggio();
        fdb_.T_Rubrica.Close();
        accept();
    });
}

void TFRubrica::DBGrid1DblClick() {
    RunGuarded(boxes_, [&] {
        // The list's row does not move during the walk; a closed list raises
        // before the table moves.
        const TFieldValue wanted = fdb_.QGEN.FieldValue("OrdNum");
        TTable& t = fdb_.T_Rubrica;
        {
            TSilenzio silenzio(silenzio_);
            t.First();
            while (!t.AtEnd()) {
                const TFieldValue here = t.FieldValue("OrdNum");
                if (wanted && here == wanted) break;
                t.Next();
            }
        }
        AggiornaCampi();
        AggiornaNavigatore();
    });
}

void TFRubrica::ApriCollegamento(const char* field,
                                 std::optional<std::string> (*link)(const std::string&),
                                 std::string (*rifiuto)(const std::string&)) {
    RunGuarded(boxes_, [&] {
        const TFieldValue value = fdb_.T_Rubrica.FieldValue(field);
        if (!value) return;
        if (const auto url = link(*value))
            opener_->Open(*url);
        else
            boxes_.ShowInfo(rifiuto(*value));
    });
}

void TFRubrica::SpeedButton1Click() {
    ApriCollegamento("Sito", brivano::LinkSito, [](const std::string& sito) {
        return "Il sito \"" + sito + "\" non è un indirizzo web (http o https) e non viene aperto.";
    });
}

void TFRubrica::SpeedButton2Click() {
    ApriCollegamento("Email", brivano::LinkMailto, [](const std::string&) {
        return std::string(
            "L'indirizzo e-mail contiene caratteri di controllo: il messaggio non viene aperto.");
    });
}
