#include "mailing_window/F_Agenda.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

#include "archive/F_DB.h"
#include "config/F_Conf.h"
#include "dialogs/MessageBoxes.h"
#include "mailing_window/F_Anteprima.h"
#include "mailing_window/F_PiePagina.h"
#include "mailing_window/RiquadroAllegati.h"
#include "mailing_window/SceltaDestinatari.h"
#include "mailing_window/SceltaOra.h"
#include "mailing_window/VociDestinatari.h"
#include "text/Segreto.h"
#include "ui/CasellaFiltro.h"
#include "ui/Colors.h"
#include "ui/CostruzioneDifferita.h"
#include "ui/Fonts.h"
#include "ui/GridModel.h"
#include "ui/GrigliaFiltrata.h"
#include "ui/PostoFinestra.h"
#include "workflow/BozzaMessaggio.h"
#include "workflow/CampiRegistro.h"
#include "workflow/CampiUnione.h"
#include "workflow/ControlloInvio.h"
#include "workflow/Programmati.h"
#include "workflow/RegistroInvii.h"
#include "workflow/StoricoInvii.h"

namespace {

// Reading a null field as text.
class ENullFieldAsText : public std::runtime_error {
  public:
    ENullFieldAsText()
        : std::runtime_error("Could not convert variant of type (Null) into type (String)") {}
};

QLabel* Etichetta(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLineEdit* Casella(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

// A column of widgets, top to bottom, none stretched unless given a factor.
QVBoxLayout* Colonna(std::initializer_list<QWidget*> sopra) {
    auto* colonna = new QVBoxLayout;
    colonna->setSpacing(3);
    for (QWidget* w : sopra) colonna->addWidget(w);
    return colonna;
}

// The latest write to the contact file or to its write-ahead journal, which
// holds recent changes before they reach the file; nothing when unknown.
std::optional<std::filesystem::file_time_type> MomentoRubrica(TFDB& fdb) {
    try {
        // The same file TFDB::CaricaRubrica reads.
        std::string nome = LeggiReg(KeyBrivano, "DBRubrica");
        if (nome.empty()) nome = "Rubrica.DB";
        const std::filesystem::path file = fdb.Session1.TablePath(fdb.QGEN.Alias(), nome);
        std::optional<std::filesystem::file_time_type> ultimo;
        for (const std::filesystem::path& p :
             {file, std::filesystem::path(file.string() + "-wal")}) {
            std::error_code errore;
            const auto quando = std::filesystem::last_write_time(p, errore);
            if (!errore && (!ultimo || quando > *ultimo)) ultimo = quando;
        }
        return ultimo;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The text without accents, for comparing as the search does.
QString SenzaAccenti(const QString& testo) {
    QString semplice;
    for (QChar c : testo.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing) semplice += c;
    return semplice;
}

QHBoxLayout* Riga(std::initializer_list<QWidget*> widgets) {
    auto* riga = new QHBoxLayout;
    riga->setSpacing(3);
    for (QWidget* w : widgets) riga->addWidget(w);
    return riga;
}

}  // namespace

TFInvioMail::TFInvioMail(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent),
      fdb_(fdb),
      boxes_(boxes),
      bozza_(std::make_unique<brivano::TBozzaSalvata>(boxes)) {
    setObjectName("FInvioMail");
    setWindowTitle(QStringLiteral("Invio Mail"));
    IdMessage1.SetEncoding(meDefault);
    IdMessage1.SetAttachmentEncoding("UUE");
    IdMessage1.SetConvertPreamble(true);
    IdMessage1.From();
    brivano::TVistaInvio& vista = *this;
    controllo_ = std::make_unique<brivano::TControlloInvio>(IdSMTP1, IdMessage1, boxes_, vista);
    // Every change starts the wait again; the timer, not the window, hears
    // them, so the controls' destruction after the window's reaches nothing.
    attesaBozza_ = new QTimer(this);
    attesaBozza_->setSingleShot(true);
    attesaBozza_->setInterval(400);
    connect(attesaBozza_, &QTimer::timeout, this, [this] { SalvaBozza(); });
    // The controller tells the view nothing until the window has been shown.
    brivano::CostruisciControlli(*this, [this] {
        CreaControlli();
        ButtonAccount->setVisible(static_cast<bool>(apriAccount_));
        brivano::TieniPostoFinestra(*this);
        connect(this, &TFInvioMail::StatoInvio, Operazione, &QLabel::setText, Qt::QueuedConnection);
        connect(this, &TFInvioMail::AvanzamentoInvio, this, &TFInvioMail::PosizioneBarra,
                Qt::QueuedConnection);
        connect(this, &TFInvioMail::TestoAvanzamento, PannelloAvanzamento, &QLabel::setText,
                Qt::QueuedConnection);
        const auto cambiato = qOverload<>(&QTimer::start);
        for (auto segnale : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            connect(ListBox1->model(), segnale, attesaBozza_, cambiato);
        connect(ListBox1->model(), &QAbstractItemModel::modelReset, attesaBozza_, cambiato);
        connect(DDOgetto, &QLineEdit::textChanged, attesaBozza_, cambiato);
        for (auto segnale : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            connect(Allegati->Comuni->model(), segnale, attesaBozza_, cambiato);
        connect(Allegati->Modello, &QLineEdit::textChanged, attesaBozza_, cambiato);
        for (QLineEdit* riga : DDTestoRiga)
            connect(riga, &QLineEdit::textChanged, attesaBozza_, cambiato);
    });
}

TFInvioMail::~TFInvioMail() {
    // The base classes' destruction moves the focus: the window must no
    // longer hear of it by then.
    disconnect(seguiFuoco_);
    // A change of the last moments still reaches the file.
    if (attesaBozza_->isActive()) SalvaBozza();
    // The run uses the client and the message, which go with the window: it
    // ends before them, and tells the window nothing more.
    controllo_.reset();
}

bool TFInvioMail::InvioInCorso() const {
    return controllo_->InCorso();
}

std::int64_t TFInvioMail::SpedizioneInCorso() const {
    return controllo_->SpedizioneInCorso();
}

void TFInvioMail::SetPortaInvio(int porta) {
    controllo_->SetPorta(porta);
}

void TFInvioMail::SetLimitiTempo(const brivano::TLimitiTempo& limiti) {
    controllo_->SetLimitiTempo(limiti);
}

void TFInvioMail::SetImpostazioni(brivano::TImpostazioniInvio* impostazioni) {
    controllo_->SetImpostazioni(impostazioni);
}

void TFInvioMail::CreaControlli() {
    resize(845, 573);  // 861 x 612 with the frame; the layouts let it grow
    QPalette colori = palette();
    colori.setColor(QPalette::Window, ColourFromBgr(16559469));
    setPalette(colori);
    setAutoFillBackground(true);
    setFont(Tahoma(8));

    auto* griglia = new brivano::TGridView(this);
    DBGrid1 = griglia;
    DBGrid1->setObjectName("DBGrid1");
    DBGrid1->setGeometry(0, 32, 441, 513);
    std::vector<brivano::TGridColumn> colonne = {
        {"Ragione_Sociale", QStringLiteral("Ragione Sociale"), 220, Qt::AlignLeft,
         ColourFromBgr(16745604), true},
        {"Tipo", {}, 120, Qt::AlignLeft, std::nullopt, false},
        {"Email", {}, 110, Qt::AlignLeft, std::nullopt, false},
        {"CAP", {}, 40, Qt::AlignCenter, std::nullopt, false},
        {"Citta", {}, 100, Qt::AlignCenter, std::nullopt, false},
    };
    griglia_ = new brivano::TGridModel(fdb_.QGEN, colonne, this);
    filtrata_ = new brivano::TGrigliaFiltrata(fdb_.QGEN, griglia_, this);
    DBGrid1->setModel(filtrata_);
    DBGrid1->setItemDelegate(new brivano::TRowLineDelegate(DBGrid1));
    for (std::size_t i = 0; i < colonne.size(); ++i)
        DBGrid1->setColumnWidth(static_cast<int>(i), colonne[i].width);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->verticalHeader()->setDefaultSectionSize(18);
    DBGrid1->setShowGrid(false);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QPalette sfondoGriglia = DBGrid1->palette();
    sfondoGriglia.setColor(QPalette::Base, ColourFromBgr(14408667));
    DBGrid1->setPalette(sfondoGriglia);
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && fdb_.QGEN.Active())
                    fdb_.QGEN.MoveToRow(filtrata_->RigaElenco(current.row()));
            });
    griglia->OnRowDoubleClick = [this] { DBGrid1DblClick(); };

    QLabel* label6 = Etichetta(this, "Label6", QStringLiteral("Indirizzi Selezionati"), 488, 8);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    // Each entry shows its contact's name and city beside the address.
    brivano::MostraContattoDelleVoci(*ListBox1);
    // Several rows can be selected, so that every failed entry shows after a run.
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Scelta =
        new brivano::TSceltaDestinatari(this, DBGrid1, *filtrata_, fdb_.QGEN, ListBox1, boxes_);
    Allegati = new TRiquadroAllegati(this);

    QLabel* label1 = Etichetta(this, "Label1",
                               QStringLiteral("Host di Spedizione (es. smtp.esempio.it)"), 624, 8);
    DDHost = Casella(this, QStringLiteral("DDHost"));
    QLabel* label2 = Etichetta(
        this, "Label2", QStringLiteral("Indirizzo di Spedizione (es. info@esempio.it)"), 624, 48);
    DDIndirizzoSped = Casella(this, QStringLiteral("DDIndirizzoSped"));
    QLabel* label4 = Etichetta(
        this, "Label4", QStringLiteral("Password Indirizzo di Spedizione (es. 1234)"), 624, 88);
    DDIndirizzoPSW = Casella(this, QStringLiteral("DDIndirizzoPSW"));
    DDIndirizzoPSW->setEchoMode(QLineEdit::Password);
    QLabel* label3 = Etichetta(this, "Label3", QStringLiteral("Oggetto"), 624, 144);
    DDOgetto = Casella(this, QStringLiteral("DDOgetto"));
    QLabel* label5 = Etichetta(this, "Label5",
                               QStringLiteral("Testo della Mail (suddiviso in righe)"), 624, 200);
    for (int n = 0; n < 8; ++n)
        DDTestoRiga[static_cast<std::size_t>(n)] =
            Casella(this, QStringLiteral("DDTestoRiga%1").arg(n + 1));

    auto pulsante = [this](const char* name, const QString& text, const QString& aiuto) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        b->setToolTip(aiuto);
        return b;
    };
    ButtonInvio = pulsante("ButtonInvio", QStringLiteral("Invio Mail a Indirizzi Selezionati"), {});
    connect(ButtonInvio, &QPushButton::clicked, this, [this] { ButtonInvioClick(); });
    ButtonAccount = pulsante("ButtonAccount", QStringLiteral("Account..."),
                             QStringLiteral("Apre \"Impostazioni Invio\" senza chiudere questa "
                                            "finestra: destinatari e testo restano"));
    connect(ButtonAccount, &QPushButton::clicked, this, [this] { ButtonAccountClick(); });
    ButtonAccount->hide();
    ButtonCampi = pulsante("ButtonCampi", QStringLiteral("Inserisci campo"),
                           QStringLiteral("Inserisce nell'oggetto o nella riga in uso un campo "
                                          "che ogni destinatario riceve con i propri dati"));
    auto* campi = new QMenu(ButtonCampi);
    campi->setObjectName("MenuCampi");
    auto voce = [this, campi](const char* nome) {
        const QString segnaposto = QStringLiteral("{{%1}}").arg(QString::fromLatin1(nome));
        campi->addAction(segnaposto, this, [this, segnaposto] { InserisciCampo(segnaposto); });
    };
    for (const char* nome : brivano::NomiCampiUnione) voce(nome);
    // The contact register's fields, filled by the entry's address.
    campi->addSection(QStringLiteral("Registro contatti"));
    for (const char* nome : brivano::NomiCampiRegistro) voce(nome);
    ButtonCampi->setMenu(campi);
    // The menu takes the focus: the box the user was writing in is the one
    // that gets the field.
    seguiFuoco_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* ora) {
        if (ora == DDOgetto) casellaInUso_ = DDOgetto;
        for (QLineEdit* riga : DDTestoRiga)
            if (ora == riga) casellaInUso_ = riga;
    });
    ButtonPiePagina = pulsante("ButtonPiePagina", QStringLiteral("Piè pagina..."),
                               QStringLiteral("Modifica le righe che chiudono ogni messaggio"));
    connect(ButtonPiePagina, &QPushButton::clicked, this, [this] { ButtonPiePaginaClick(); });
    ButtonAnteprima = pulsante("ButtonAnteprima", QStringLiteral("Anteprima"),
                               QStringLiteral("Mostra il messaggio come lo riceverà il primo "
                                              "destinatario"));
    connect(ButtonAnteprima, &QPushButton::clicked, this, [this] { ButtonAnteprimaClick(); });
    ButtonProva = pulsante("ButtonProva", QStringLiteral("Invia prova a me"),
                           QStringLiteral("Invia un solo messaggio al proprio indirizzo, con "
                                          "l'oggetto preceduto da [PROVA]"));
    connect(ButtonProva, &QPushButton::clicked, this, [this] { ButtonProvaClick(); });

    ButtonPiuTardi =
        pulsante("ButtonPiuTardi", QStringLiteral("Invia più tardi…"),
                 QStringLiteral("Conserva l'invio così com'è e lo fa partire all'ora scelta"));
    connect(ButtonPiuTardi, &QPushButton::clicked, this, [this] { ButtonPiuTardiClick(); });
    ScegliOra = [this] { return ChiediOraInvio(this); };

    ButtonInterrompi = pulsante("ButtonInterrompi", QStringLiteral("Interrompi"), {});
    ButtonInterrompi->hide();
    connect(ButtonInterrompi, &QPushButton::clicked, this, [this] { ButtonInterrompiClick(); });

    ButtonReinvia = pulsante("ButtonReinvia", QStringLiteral("Reinvia ai falliti"), {});
    ButtonReinvia->hide();
    connect(ButtonReinvia, &QPushButton::clicked, this, [this] { ButtonReinviaClick(); });

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setFixedHeight(17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    Operazione = new QLabel(this);
    Operazione->setObjectName("Operazione");
    Operazione->setFixedHeight(17);
    Operazione->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Operazione->setFont(Tahoma(8, true));
    Operazione->setAutoFillBackground(true);
    QPalette sfondo = Operazione->palette();
    sfondo.setColor(QPalette::Window, ColourFromBgr(14650176));
    Operazione->setPalette(sfondo);
    Operazione->hide();

    StatusBar1 = new QWidget(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setFixedHeight(28);
    auto* pannelli = new QHBoxLayout(StatusBar1);
    pannelli->setContentsMargins(0, 2, 0, 2);
    pannelli->setSpacing(0);
    for (int larghezza : {120, 800, 100}) {
        auto* pannello = new QLabel(StatusBar1);
        pannello->setFrameStyle(QFrame::Panel | QFrame::Raised);
        pannello->setAlignment(Qt::AlignCenter);
        if (larghezza == 120) pannello->setText(QStringLiteral("Scheda Invio Mail"));
        if (larghezza == 800) {
            // The middle panel takes what the window gives.
            PannelloAvanzamento = pannello;
            pannello->setObjectName("PannelloAvanzamento");
            pannello->setMinimumWidth(200);
            pannelli->addWidget(pannello, 1);
        } else {
            pannello->setFixedWidth(larghezza);
            pannelli->addWidget(pannello);
        }
    }
    Disponi({label6, label1, label2, label4, label3, label5});
    // After the search has filtered the grid (connected later, so it runs later).
    connect(Scelta->Filtro, &QLineEdit::textChanged, this,
            [this](const QString& testo) { MostraColonnaTrovata(testo); });
}

void TFInvioMail::MostraColonnaTrovata(const QString& testo) {
    const QString cercato = SenzaAccenti(testo.trimmed());
    if (cercato.isEmpty() || filtrata_->rowCount() == 0) return;
    for (int c = 0; c < filtrata_->columnCount(); ++c) {
        const QModelIndex cella = filtrata_->index(0, c);
        if (SenzaAccenti(cella.data().toString()).contains(cercato, Qt::CaseInsensitive)) {
            DBGrid1->scrollTo(cella);
            return;
        }
    }
}

void TFInvioMail::Disponi(const std::array<QLabel*, 6>& etichette) {
    auto [label6, label1, label2, label4, label3, label5] = etichette;
    // The contacts: search box over the grid; the grid takes most of the width.
    QVBoxLayout* contatti = Colonna({Scelta->Filtro});
    contatti->addWidget(DBGrid1, 1);
    DBGrid1->setMinimumWidth(300);

    QVBoxLayout* scelti = Colonna({label6});
    scelti->addWidget(ListBox1, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{Scelta->ButtonAggiungiSelezionati,
                                                      Scelta->ButtonAggiungiTutti})
        scelti->addWidget(w);
    scelti->addLayout(Riga({Scelta->ButtonRimuovi, Scelta->ButtonSvuota}));
    scelti->addWidget(Scelta->ButtonNonInviare);
    scelti->addWidget(Scelta->LabelNumero);
    ListBox1->setMinimumWidth(180);

    // The message: account, subject, the eight lines (they widen with the
    // window), the helpers, the send button and the run's controls.
    QVBoxLayout* messaggio =
        Colonna({label1, DDHost, label2, DDIndirizzoSped, label4, DDIndirizzoPSW});
    messaggio->addLayout(Riga({ButtonAccount}));
    messaggio->itemAt(messaggio->count() - 1)->layout()->setAlignment(Qt::AlignRight);
    messaggio->addSpacing(6);
    messaggio->addWidget(label3);
    messaggio->addWidget(DDOgetto);
    messaggio->addSpacing(6);
    auto* intestazioneTesto = Riga({label5});
    intestazioneTesto->addStretch(1);
    intestazioneTesto->addWidget(ButtonCampi);
    messaggio->addLayout(intestazioneTesto);
    for (QLineEdit* riga : DDTestoRiga) messaggio->addWidget(riga);
    messaggio->addLayout(Riga({ButtonAnteprima, ButtonProva, ButtonPiePagina}));
    messaggio->addWidget(Allegati);
    messaggio->addStretch(1);
    messaggio->addWidget(ButtonInvio);
    messaggio->addWidget(ButtonPiuTardi);
    messaggio->addWidget(ProgressBar1);
    messaggio->addWidget(Operazione);
    messaggio->addWidget(ButtonInterrompi);
    messaggio->addWidget(ButtonReinvia);
    ButtonInvio->setMinimumHeight(25);

    auto* colonne = new QHBoxLayout;
    colonne->setSpacing(7);
    colonne->addLayout(contatti, 5);
    colonne->addLayout(scelti, 2);
    colonne->addLayout(messaggio, 3);
    auto* finestra = new QVBoxLayout(this);
    finestra->setContentsMargins(4, 8, 4, 0);
    finestra->addLayout(colonne, 1);
    finestra->addWidget(StatusBar1);

    // Through the picking first, then the account, the message and sending;
    // Tab leaves the grid (it does not walk its cells).
    DBGrid1->setTabKeyNavigation(false);
    const std::vector<QWidget*> ordine = {Scelta->Filtro,
                                          DBGrid1,
                                          Scelta->ButtonAggiungiSelezionati,
                                          Scelta->ButtonAggiungiTutti,
                                          ListBox1,
                                          Scelta->ButtonRimuovi,
                                          Scelta->ButtonSvuota,
                                          Scelta->ButtonNonInviare,
                                          DDHost,
                                          DDIndirizzoSped,
                                          DDIndirizzoPSW,
                                          ButtonAccount,
                                          DDOgetto,
                                          ButtonCampi,
                                          DDTestoRiga[0],
                                          DDTestoRiga[1],
                                          DDTestoRiga[2],
                                          DDTestoRiga[3],
                                          DDTestoRiga[4],
                                          DDTestoRiga[5],
                                          DDTestoRiga[6],
                                          DDTestoRiga[7],
                                          ButtonAnteprima,
                                          ButtonProva,
                                          ButtonPiePagina,
                                          Allegati,
                                          ButtonInvio,
                                          ButtonPiuTardi,
                                          ButtonInterrompi,
                                          ButtonReinvia};
    for (std::size_t i = 1; i < ordine.size(); ++i) setTabOrder(ordine[i - 1], ordine[i]);
}

void TFInvioMail::InserisciCampo(const QString& segnaposto) {
    QLineEdit* casella = casellaInUso_ ? casellaInUso_.data() : DDTestoRiga[0];
    casella->insert(segnaposto);
    casella->setFocus();
}

void TFInvioMail::SetApriAccount(std::function<void()> apri) {
    apriAccount_ = std::move(apri);
    if (ButtonAccount) ButtonAccount->setVisible(static_cast<bool>(apriAccount_));
}

void TFInvioMail::ButtonAccountClick() {
    if (!apriAccount_) return;
    apriAccount_();
    // A saved account shows at once; what was picked and typed stays.
    controllo_->CompilaDaAccount();
}

void TFInvioMail::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFInvioMail::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (attesaBozza_->isActive()) SalvaBozza();
}

void TFInvioMail::closeEvent(QCloseEvent* event) {
    if (!controllo_->PuoChiudere()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFInvioMail::reject() {
    if (!InvioInCorso()) QDialog::reject();
}

void TFInvioMail::FormShow() {
    controllo_->CompilaDaAccount();
    // The picked recipients stay until the run's end settles the list or the
    // user empties it: closing the window to reach a setting must not lose them.
    RunGuarded(boxes_, [this] {
        Scelta->Filtro->clear();
        fdb_.CaricaRubrica();
        rubricaCaricata_ = MomentoRubrica(fdb_);
    });
    // What was being written when the program last ended, once.
    if (const auto bozza = bozza_->Riprendi()) MostraBozza(*bozza);
    ButtonReinvia->hide();
    if (!ripresaChiesta_) {
        OffriRipresa();
        return;
    }
    const TRipresaChiesta chiesta = *ripresaChiesta_;
    ripresaChiesta_.reset();
    if (controllo_->PreparaRipresa(chiesta.Spedizione, chiesta.SoloFalliti))
        // Once the window is on screen: the run asks before it starts.
        QMetaObject::invokeMethod(
            this, [this] { ButtonInvioClick(); }, Qt::QueuedConnection);
}

void TFInvioMail::Riprendi(std::int64_t spedizione, bool soloFalliti) {
    if (InvioInCorso()) {
        boxes_.ShowInfo("È già in corso un invio: attendere la fine o interromperlo.");
        return;
    }
    ripresaChiesta_ = TRipresaChiesta{spedizione, soloFalliti};
    // Asked from the history, a window above the rest of the program: this
    // one comes over it, so that the run can be watched and stopped, and
    // closing it goes back there.
    if (isVisible()) hide();
    brivano::CostruisciOra(*this);
    exec();
}

void TFInvioMail::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) TornaAttiva();
}

void TFInvioMail::TornaAttiva() {
    if (!isVisible() || InvioInCorso()) return;
    // The main menu's other windows were usable meanwhile: an account saved
    // there shows, and the contact list is the one they may have moved or
    // reloaded.
    controllo_->CompilaDaAccount();
    RicaricaSeCambiata();
    // A double-click reads the shared list's current row: it must be the one
    // this grid shows as current, wherever the address book left it.
    const QModelIndex corrente = DBGrid1->currentIndex();
    if (corrente.isValid() && fdb_.QGEN.Active())
        RunGuarded(boxes_, [&] { fdb_.QGEN.MoveToRow(filtrata_->RigaElenco(corrente.row())); });
}

void TFInvioMail::RicaricaSeCambiata() {
    if (!isVisible() || InvioInCorso() || !rubricaCaricata_) return;
    const auto ora = MomentoRubrica(fdb_);
    if (!ora || *ora == *rubricaCaricata_) return;
    // The search stays: the filtered grid applies it again to the new rows.
    RunGuarded(boxes_, [this] { fdb_.CaricaRubrica(); });
    rubricaCaricata_ = MomentoRubrica(fdb_);
}

void TFInvioMail::OffriRipresa() {
    controllo_->OffriRipresa();
}

void TFInvioMail::ButtonInterrompiClick() {
    controllo_->Interrompi();
}

void TFInvioMail::ButtonReinviaClick() {
    if (controllo_->PreparaReinvio()) ButtonInvioClick();
}

void TFInvioMail::DBGrid1DblClick() {
    RunGuarded(boxes_, [this] {
        TFieldValue email;
        if (fdb_.QGEN.Active() && !fdb_.QGEN.HasNoRows()) email = fdb_.QGEN.FieldValue("Email");
        if (!email) throw ENullFieldAsText();
        brivano::AggiungiVoce(*ListBox1, *email, brivano::CampiDellaRiga(fdb_.QGEN));
    });
}

void TFInvioMail::AbilitaInput(bool abilita) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             DBGrid1, ListBox1, DDHost, DDIndirizzoSped, DDIndirizzoPSW, DDOgetto, ButtonInvio,
             ButtonAnteprima, ButtonProva, ButtonPiePagina, ButtonAccount, ButtonCampi, Allegati})
        w->setEnabled(abilita);
    for (QLineEdit* riga : DDTestoRiga) riga->setEnabled(abilita);
    Scelta->Abilita(abilita);
}

void TFInvioMail::PosizioneBarra(int fatti) {
    // A position past the maximum shows as a full bar.
    ProgressBar1->setValue(std::min(fatti, ProgressBar1->maximum()));
}

brivano::TDatiInvio TFInvioMail::Testi() const {
    brivano::TDatiInvio testi;
    testi.Host = DDHost->text().toStdString();
    testi.Mittente = DDIndirizzoSped->text().toStdString();
    QByteArray password = DDIndirizzoPSW->text().toUtf8();
    testi.Password =
        std::string_view(password.constData(), static_cast<std::size_t>(password.size()));
    brivano::CancellaMemoria(password.data(), static_cast<std::size_t>(password.size()));
    testi.Oggetto = DDOgetto->text().toStdString();
    for (std::size_t n = 0; n < DDTestoRiga.size(); ++n)
        testi.Righe[n] = DDTestoRiga[n]->text().toStdString();
    testi.Allegati = Allegati->Scelta();
    return testi;
}

brivano::TBozzaMessaggio TFInvioMail::Bozza() const {
    brivano::TBozzaMessaggio bozza;
    const std::vector<std::string> testi = brivano::TestiDelleVoci(*ListBox1);
    const std::vector<brivano::TCampiContatto> campi = brivano::CampiDelleVoci(*ListBox1);
    for (std::size_t i = 0; i < testi.size(); ++i)
        bozza.Voci.push_back({testi[i], i < campi.size() ? campi[i] : brivano::TCampiContatto{}});
    bozza.Oggetto = DDOgetto->text().toStdString();
    for (std::size_t n = 0; n < DDTestoRiga.size(); ++n)
        bozza.Righe[n] = DDTestoRiga[n]->text().toStdString();
    bozza.Allegati = Allegati->Scelta();
    return bozza;
}

void TFInvioMail::MostraBozza(const brivano::TBozzaMessaggio& bozza) {
    MostraVoci(bozza.Voci);
    DDOgetto->setText(QString::fromStdString(bozza.Oggetto));
    for (std::size_t n = 0; n < DDTestoRiga.size(); ++n)
        DDTestoRiga[n]->setText(QString::fromStdString(bozza.Righe[n]));
    Allegati->Mostra(bozza.Allegati);
}

void TFInvioMail::SalvaBozza() {
    attesaBozza_->stop();
    bozza_->Salva(Bozza());
}

void TFInvioMail::ButtonPiuTardiClick() {
    const auto alle = ScegliOra();
    if (!alle) return;
    RunGuarded(boxes_, [&] {
        const auto file = brivano::PercorsoRegistroConfigurato();
        if (!file) throw std::runtime_error("La cartella dei dati non è configurata.");
        // Opened as a run would open it: a damaged journal stops here.
        const brivano::TRegistroInvii registro(*file);
        brivano::ProgrammaInvio(
            boxes_, registro.File(), Testi(), brivano::TestiDelleVoci(*ListBox1),
            brivano::CampiDelleVoci(*ListBox1), *alle, std::chrono::system_clock::now());
    });
}

void TFInvioMail::ButtonInvioClick() {
    controllo_->Avvia(Testi(), brivano::TestiDelleVoci(*ListBox1),
                      brivano::CampiDelleVoci(*ListBox1));
}

void TFInvioMail::ButtonProvaClick() {
    controllo_->AvviaProva(Testi(), brivano::CampiDelleVoci(*ListBox1));
}

TFAnteprima* TFInvioMail::ButtonAnteprimaClick() {
    const std::vector<std::string> voci = brivano::TestiDelleVoci(*ListBox1);
    auto forme = controllo_->Anteprima(Testi(), voci, brivano::CampiDelleVoci(*ListBox1));
    if (!forme) return nullptr;
    auto componi = [forme = std::move(forme)](std::size_t i) {
        brivano::TFormeMessaggio f = forme(i);
        return TFAnteprima::TForme{std::move(f.Leggibile), std::move(f.SulFilo)};
    };
    auto* anteprima = new TFAnteprima(voci, componi, this);
    anteprima->setAttribute(Qt::WA_DeleteOnClose);
    anteprima->setModal(true);
    anteprima->show();
    return anteprima;
}

TFPiePagina* TFInvioMail::ButtonPiePaginaClick() {
    auto* editor = new TFPiePagina(boxes_, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->setModal(true);
    editor->show();
    return editor;
}

void TFInvioMail::MostraOperazione(const std::string& testo) {
    emit StatoInvio(QString::fromStdString(testo));
}

void TFInvioMail::MostraAvanzamento(int posizione, const std::string& testo) {
    emit AvanzamentoInvio(posizione);
    emit TestoAvanzamento(QString::fromStdString(testo));
}

void TFInvioMail::InvioTerminato() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (controllo_) controllo_->Concludi();
        },
        Qt::QueuedConnection);
}

void TFInvioMail::MostraInizio(int massimo, const std::string& avanzamento) {
    ButtonPiuTardi->hide();
    ProgressBar1->show();
    Operazione->show();
    PannelloAvanzamento->setText(QString::fromStdString(avanzamento));
    ProgressBar1->setRange(0, massimo);
    AbilitaInput(false);
    ButtonReinvia->hide();
    ButtonInterrompi->setEnabled(true);
    ButtonInterrompi->show();
}

void TFInvioMail::MostraFine() {
    AbilitaInput(true);
    ButtonPiuTardi->show();
    ProgressBar1->hide();
    Operazione->hide();
    ButtonInterrompi->hide();
    PannelloAvanzamento->clear();
}

void TFInvioMail::MostraInterruzione() {
    ButtonInterrompi->setEnabled(false);
    Operazione->setText(QStringLiteral("Interruzione in corso..."));
}

void TFInvioMail::MostraReinvia(bool visibile) {
    ButtonReinvia->setVisible(visibile);
}

void TFInvioMail::SegnaStati(const std::vector<brivano::TStatoVoce>& stati) {
    ListBox1->clearSelection();
    for (std::size_t r = 0; r < stati.size(); ++r) {
        auto* item = ListBox1->item(static_cast<int>(r));
        if (!item) break;
        const auto stato = stati[r];
        item->setToolTip(QStringLiteral("Stato: ") + QString::fromUtf8(brivano::NomeStato(stato)));
        const bool male = stato == brivano::TStatoVoce::Fallito ||
                          stato == brivano::TStatoVoce::Incerto ||
                          stato == brivano::TStatoVoce::Rinviato;
        item->setForeground(male                                    ? QColor(Qt::darkRed)
                            : stato == brivano::TStatoVoce::Inviato ? QColor(Qt::darkGreen)
                                                                    : QColor(Qt::darkGray));
        if (stato == brivano::TStatoVoce::Fallito) item->setSelected(true);
    }
}

void TFInvioMail::MostraAccount(const std::string& host, const std::string& mittente,
                                const std::string& password) {
    DDHost->setText(QString::fromStdString(host));
    DDIndirizzoSped->setText(QString::fromStdString(mittente));
    DDIndirizzoPSW->setText(QString::fromStdString(password));
}

void TFInvioMail::MostraTesti(const brivano::TDatiInvio& dati) {
    DDHost->setText(QString::fromStdString(dati.Host));
    DDIndirizzoSped->setText(QString::fromStdString(dati.Mittente));
    DDOgetto->setText(QString::fromStdString(dati.Oggetto));
    for (std::size_t n = 0; n < DDTestoRiga.size(); ++n)
        DDTestoRiga[n]->setText(QString::fromStdString(dati.Righe[n]));
    Allegati->Mostra(dati.Allegati);
}

void TFInvioMail::MostraVoci(const std::vector<brivano::TVoceElenco>& voci) {
    ListBox1->clear();
    for (const auto& v : voci) brivano::AggiungiVoce(*ListBox1, v.Voce, v.Campi);
}

void TFInvioMail::Concluso() {
    emit InvioConcluso();
}

void TFInvioMail::Chiudi() {
    close();
}
