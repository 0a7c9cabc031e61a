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

#include "addressbook/StrumentiRubrica.h"
#include "archive/F_DB.h"
#include "ui/CasellaFiltro.h"
#include "ui/Colors.h"
#include "ui/CostruzioneDifferita.h"
#include "ui/Fonts.h"
#include "ui/GridModel.h"
#include "ui/GrigliaFiltrata.h"
#include "ui/ImageList.h"
#include "workflow/ControlloRubrica.h"

namespace {

constexpr int kClientWidth = 1021, kClientHeight = 661, kStatusHeight = 28;
constexpr int kColoreFinestra = 16706266, kColorePannello = 185, kColoreGriglia = 14408667,
              kColoreIntestazione = 16745604, kColoreEtichetta = 14650176,
              kColoreEvidenza = 15780518;

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

// Focus that only follows a menu or another window coming and going is not
// the user entering or leaving a field.
bool VeroCambioFuoco(QEvent* event) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

std::string Testo(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text().toStdString();
    return static_cast<const QPlainTextEdit*>(control)->toPlainText().toStdString();
}

bool Modificato(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->isModified();
    return static_cast<const QPlainTextEdit*>(control)->document()->isModified();
}

}  // namespace

TFRubrica::TFRubrica(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), fdb_(fdb), boxes_(boxes) {
    setObjectName("FRubrica");
    setWindowTitle("Rubrica");
    setFont(Tahoma(8));
    Colora(this, kColoreFinestra);
    brivano::CostruisciControlli(*this, [this] {
        CreaComponenti();
        controllo_ = std::make_unique<brivano::TControlloRubrica>(fdb_, boxes_, *this);
    });
}

// The controller goes before the controls: it stops listening to the data
// module while they still stand, and nothing the grid signals while it is
// being torn down may reach it.
TFRubrica::~TFRubrica() {
    if (controllo_) DBGrid1->selectionModel()->disconnect(this);
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
        [this] { controllo_->Ricarica(); });
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
                if (current.isValid())
                    controllo_->RigaElencoScelta(filtrata_->RigaElenco(current.row()));
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
    using brivano::TPassoNavigatore;
    auto scorri = [&](QToolButton*& b, const char* name, QStyle::StandardPixmap picture, int x,
                      TPassoNavigatore passo) {
        b = new QToolButton(DBNavigator1);
        b->setObjectName(name);
        b->setIcon(style()->standardIcon(picture));
        b->setGeometry(x, 0, 30, 30);
        connect(b, &QToolButton::clicked, this, [this, passo] { controllo_->Scorri(passo); });
    };
    scorri(NavFirst, "NavFirst", QStyle::SP_MediaSkipBackward, 0, TPassoNavigatore::Primo);
    scorri(NavPrior, "NavPrior", QStyle::SP_MediaSeekBackward, 30, TPassoNavigatore::Precedente);
    scorri(NavNext, "NavNext", QStyle::SP_MediaSeekForward, 60, TPassoNavigatore::Successivo);
    scorri(NavLast, "NavLast", QStyle::SP_MediaSkipForward, 90, TPassoNavigatore::Ultimo);

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

brivano::TStatoRubrica TFRubrica::Stato() const {
    return controllo_->Stato();
}

void TFRubrica::MostraControlli(const brivano::TControlliRubrica& c) {
    const std::pair<QAction*, QToolButton*> comandi[] = {
        {Nuovo1, TBNuovo},     {Modifica1, TBModifica}, {Salva1, TBSalva},
        {Annulla1, TBAnnulla}, {Cancella1, TBCancella}, {Esci1, TBEsci}};
    const bool abilitati[] = {c.nuovo, c.modifica, c.salva, c.annulla, c.cancella, c.esci};
    for (size_t i = 0; i < std::size(comandi); ++i) {
        comandi[i].first->setEnabled(abilitati[i]);
        comandi[i].second->setEnabled(abilitati[i]);
    }
    DBNavigator1->setEnabled(c.navigatore);
    Panel2->setEnabled(c.elenco);
    Panel3->setEnabled(c.dettaglio);
    Strumenti->Contatti->setEnabled(c.contatti);
}

void TFRubrica::MostraScheda(const brivano::TTestiCampi& testi) {
    for (const auto& [field, testo] : testi) {
        auto campo = std::find_if(campi_.begin(), campi_.end(),
                                  [&field = field](const TCampo& c) { return c.field == field; });
        if (campo == campi_.end()) continue;
        const QString text = QString::fromStdString(testo);
        if (auto* edit = qobject_cast<QLineEdit*>(campo->control)) {
            edit->setText(text);
        } else {
            auto* memo = static_cast<QPlainTextEdit*>(campo->control);
            memo->setPlainText(text);
            memo->document()->setModified(false);
        }
    }
}

void TFRubrica::MostraNavigatore(bool indietro, bool avanti) {
    NavFirst->setEnabled(indietro);
    NavPrior->setEnabled(indietro);
    NavNext->setEnabled(avanti);
    NavLast->setEnabled(avanti);
}

void TFRubrica::MostraRigaElenco(int riga) {
    const int rigaGriglia = riga < 1 ? -1 : filtrata_->RigaGriglia(riga);
    if (rigaGriglia < 0) {
        DBGrid1->selectionModel()->clearCurrentIndex();
        DBGrid1->clearSelection();
        return;
    }
    DBGrid1->selectionModel()->setCurrentIndex(
        filtrata_->index(rigaGriglia, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

brivano::TTestiCampi TFRubrica::CampiModificati() const {
    brivano::TTestiCampi testi;
    for (const TCampo& c : campi_)
        if (Modificato(c.control)) testi.emplace_back(c.field, Testo(c.control));
    return testi;
}

void TFRubrica::FuocoPrimoCampo() {
    Ragione_Sociale->setFocus();
}

void TFRubrica::Chiudi() {
    accept();
}

void TFRubrica::ApriCollegamento(const std::string& url) {
    opener_->Open(url);
}

void TFRubrica::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (!shownOnce_) {
        shownOnce_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    filtrata_->CaricaConRegistro([this] { FormShow(); });
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
            if (campo != campi_.end() && Modificato(control))
                controllo_->CampoLasciato(campo->field, Testo(control));
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TFRubrica::SchedaInSospeso() const {
    return controllo_->SchedaInSospeso();
}

void TFRubrica::ChiediSalvataggio() {
    // Never shown: nothing can be pending.
    if (controllo_) controllo_->ChiediSalvataggio();
}

void TFRubrica::FormShow() {
    controllo_->Mostra();
}

void TFRubrica::Nuovo1Click() {
    controllo_->Nuovo();
}

void TFRubrica::Modifica1Click() {
    controllo_->Modifica();
}

void TFRubrica::Salva1Click() {
    controllo_->Salva();
}

void TFRubrica::Annulla1Click() {
    controllo_->Annulla();
}

void TFRubrica::Cancella1Click() {
    controllo_->Cancella();
}

void TFRubrica::Esci1Click() {
    controllo_->Esci();
}

void TFRubrica::DBGrid1DblClick() {
    controllo_->CercaRigaElenco();
}

void TFRubrica::SpeedButton1Click() {
    controllo_->ApriSito();
}

void TFRubrica::SpeedButton2Click() {
    controllo_->ScriviMessaggio();
}
