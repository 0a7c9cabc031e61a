#include "mailing_window/F_Agenda.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <algorithm>
#include <stdexcept>

#include "addressbook/GridModel.h"
#include "addressbook/GrigliaFiltrata.h"
#include "archive/F_DB.h"
#include "dialogs/MessageBoxes.h"
#include "mailing_window/F_Anteprima.h"
#include "mailing_window/F_PiePagina.h"
#include "mailing_window/SceltaDestinatari.h"
#include "mailing_window/VociDestinatari.h"
#include "ui/CasellaFiltro.h"
#include "ui/Colors.h"
#include "ui/Fonts.h"
#include "ui/PostoFinestra.h"
#include "workflow/Cadenza.h"
#include "workflow/CadenzaInvio.h"
#include "workflow/ControlliInvio.h"
#include "workflow/Destinatari.h"
#include "workflow/MessaggioSulFilo.h"
#include "workflow/NonInviare.h"
#include "workflow/OpzioniMessaggio.h"
#include "workflow/RipresaInvio.h"

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

QLineEdit* Casella(QWidget* parent, const QString& name, int top) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(624, top, 217, 21);
    return edit;
}

}  // namespace

TFInvioMail::TFInvioMail(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), fdb_(fdb), boxes_(boxes) {
    setObjectName("FInvioMail");
    setWindowTitle(QStringLiteral("Invio Mail"));
    IdMessage1.SetEncoding(meDefault);
    IdMessage1.SetAttachmentEncoding("UUE");
    IdMessage1.SetConvertPreamble(true);
    IdMessage1.From();
    CreaControlli();
    brivano::TieniPostoFinestra(*this);
    connect(this, &TFInvioMail::StatoInvio, Operazione, &QLabel::setText, Qt::QueuedConnection);
    connect(this, &TFInvioMail::AvanzamentoInvio, this, &TFInvioMail::MostraAvanzamento,
            Qt::QueuedConnection);
    connect(this, &TFInvioMail::TestoAvanzamento, PannelloAvanzamento, &QLabel::setText,
            Qt::QueuedConnection);
}

TFInvioMail::~TFInvioMail() {
    // The worker uses the client and the message, which go with the window.
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
}

void TFInvioMail::CreaControlli() {
    resize(845, 573);  // 861 x 612 with the frame
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

    Etichetta(this, "Label6", QStringLiteral("Indirizzi Selezionati"), 488, 8);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setGeometry(448, 24, 169, 401);
    // Several rows can be selected, so that every failed entry shows after a run.
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Scelta =
        new brivano::TSceltaDestinatari(this, DBGrid1, *filtrata_, fdb_.QGEN, ListBox1, boxes_);

    Etichetta(this, "Label1", QStringLiteral("Host di Spedizione (es. smtp.esempio.it)"), 624, 8);
    DDHost = Casella(this, QStringLiteral("DDHost"), 24);
    Etichetta(this, "Label2", QStringLiteral("Indirizzo di Spedizione (es. info@esempio.it)"), 624,
              48);
    DDIndirizzoSped = Casella(this, QStringLiteral("DDIndirizzoSped"), 64);
    Etichetta(this, "Label4", QStringLiteral("Password Indirizzo di Spedizione (es. 1234)"), 624,
              88);
    DDIndirizzoPSW = Casella(this, QStringLiteral("DDIndirizzoPSW"), 104);
    DDIndirizzoPSW->setEchoMode(QLineEdit::Password);
    Etichetta(this, "Label3", QStringLiteral("Oggetto"), 624, 144);
    DDOgetto = Casella(this, QStringLiteral("DDOgetto"), 160);
    Etichetta(this, "Label5", QStringLiteral("Testo della Mail (suddiviso in righe)"), 624, 200);
    for (int n = 0; n < 8; ++n)
        DDTestoRiga[static_cast<std::size_t>(n)] =
            Casella(this, QStringLiteral("DDTestoRiga%1").arg(n + 1), 216 + 24 * n);

    ButtonInvio = new QPushButton(QStringLiteral("Invio Mail a Indirizzi Selezionati"), this);
    ButtonInvio->setObjectName("ButtonInvio");
    ButtonInvio->setGeometry(624, 432, 217, 25);
    connect(ButtonInvio, &QPushButton::clicked, this, [this] { ButtonInvioClick(); });
    ButtonInvio->setAutoDefault(false);
    auto pulsante = [this](const char* name, const QString& text, QRect where) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(where);
        b->setAutoDefault(false);
        return b;
    };
    // One row between the text lines and the send button; below it the
    // stop and resend buttons take turns.
    ButtonPiePagina =
        pulsante("ButtonPiePagina", QStringLiteral("Piè pagina..."), QRect(778, 408, 63, 21));
    connect(ButtonPiePagina, &QPushButton::clicked, this, [this] { ButtonPiePaginaClick(); });
    ButtonAnteprima =
        pulsante("ButtonAnteprima", QStringLiteral("Anteprima"), QRect(624, 408, 62, 21));
    connect(ButtonAnteprima, &QPushButton::clicked, this, [this] { ButtonAnteprimaClick(); });
    ButtonProva =
        pulsante("ButtonProva", QStringLiteral("Invia prova a me"), QRect(688, 408, 88, 21));
    connect(ButtonProva, &QPushButton::clicked, this, [this] { ButtonProvaClick(); });

    ButtonInterrompi = new QPushButton(QStringLiteral("Interrompi"), this);
    ButtonInterrompi->setObjectName("ButtonInterrompi");
    ButtonInterrompi->setGeometry(624, 512, 217, 25);
    ButtonInterrompi->setAutoDefault(false);
    ButtonInterrompi->hide();
    connect(ButtonInterrompi, &QPushButton::clicked, this, [this] { ButtonInterrompiClick(); });

    ButtonReinvia = new QPushButton(QStringLiteral("Reinvia ai falliti"), this);
    ButtonReinvia->setObjectName("ButtonReinvia");
    ButtonReinvia->setGeometry(624, 512, 217, 25);
    ButtonReinvia->setAutoDefault(false);
    ButtonReinvia->hide();
    connect(ButtonReinvia, &QPushButton::clicked, this, [this] { ButtonReinviaClick(); });

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(624, 464, 217, 17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    Operazione = new QLabel(this);
    Operazione->setObjectName("Operazione");
    Operazione->setGeometry(626, 488, 215, 17);
    Operazione->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Operazione->setFont(Tahoma(8, true));
    Operazione->setAutoFillBackground(true);
    QPalette sfondo = Operazione->palette();
    sfondo.setColor(QPalette::Window, ColourFromBgr(14650176));
    Operazione->setPalette(sfondo);
    Operazione->hide();

    StatusBar1 = new QWidget(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setGeometry(0, height() - 28, width(), 28);
    int sinistra = 0;
    for (int larghezza : {120, 800, 100}) {
        auto* pannello = new QLabel(StatusBar1);
        pannello->setGeometry(sinistra, 2, larghezza, 24);
        pannello->setFrameStyle(QFrame::Panel | QFrame::Raised);
        pannello->setAlignment(Qt::AlignCenter);
        if (sinistra == 0) pannello->setText(QStringLiteral("Scheda Invio Mail"));
        if (larghezza == 800) {
            PannelloAvanzamento = pannello;
            pannello->setObjectName("PannelloAvanzamento");
        }
        sinistra += larghezza;
    }

    const std::vector<QWidget*> ordine = {
        ButtonInvio,    DBGrid1,        DDHost,         ListBox1,       DDIndirizzoSped,
        DDOgetto,       DDTestoRiga[0], DDTestoRiga[1], DDTestoRiga[2], DDTestoRiga[3],
        DDTestoRiga[4], DDTestoRiga[5], DDTestoRiga[6], DDTestoRiga[7], DDIndirizzoPSW,
        Operazione,     ProgressBar1};
    for (std::size_t i = 1; i < ordine.size(); ++i) setTabOrder(ordine[i - 1], ordine[i]);
}

void TFInvioMail::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFInvioMail::closeEvent(QCloseEvent* event) {
    if (InvioInCorso()) {
        event->ignore();
        if (!ferma_ && boxes_.Ask("È in corso un invio. Interromperlo e chiudere la finestra?") ==
                           TConfirmAnswer::Yes) {
            chiudiAFine_ = true;
            ButtonInterrompiClick();
        }
        return;
    }
    QDialog::closeEvent(event);
}

void TFInvioMail::reject() {
    if (!InvioInCorso()) QDialog::reject();
}

void TFInvioMail::FormShow() {
    RunGuarded(boxes_, [this] { CompilaDaAccount(); });
    RunGuarded(boxes_, [this] {
        Scelta->Filtro->clear();
        fdb_.CaricaRubrica();
        ListBox1->clear();
    });
    ButtonReinvia->hide();
    if (!InvioInCorso()) OffriRipresa();
}

brivano::TRegistroInvii* TFInvioMail::Registro() {
    if (!registroCercato_) {
        registroCercato_ = true;
        registro_ = brivano::ApriRegistroInvii();
    }
    return registro_.get();
}

void TFInvioMail::OffriRipresa() {
    RunGuarded(boxes_, [this] {
        brivano::TRegistroInvii* registro = Registro();
        if (!registro) return;
        const auto aperta = registro->SpedizioneIncompiuta();
        if (!aperta) return;
        const brivano::TSpedizioneRegistrata spedizione = registro->Spedizione(*aperta);
        if (boxes_.Ask(brivano::DomandaRipresa(spedizione)) != TConfirmAnswer::Yes) return;
        const bool ancheIncerti =
            spedizione.Incerte > 0 &&
            boxes_.Ask(brivano::DomandaIncerti(spedizione.Incerte)) == TConfirmAnswer::Yes;
        opzioni_.Spedizione = *aperta;
        opzioni_.Posizioni = registro->Riprendi(*aperta, ancheIncerti);
        const auto voci = registro->Voci(*aperta);
        const brivano::TDatiInvio dati = brivano::DatiDaSpedizione(spedizione);
        DDHost->setText(QString::fromStdString(dati.Host));
        DDIndirizzoSped->setText(QString::fromStdString(dati.Mittente));
        DDOgetto->setText(QString::fromStdString(dati.Oggetto));
        for (std::size_t n = 0; n < DDTestoRiga.size(); ++n)
            DDTestoRiga[n]->setText(QString::fromStdString(dati.Righe[n]));
        ListBox1->clear();
        vociRipresa_.clear();
        for (std::size_t p : opzioni_.Posizioni) {
            vociRipresa_.push_back(voci.at(p).Voce);
            brivano::AggiungiVoce(*ListBox1, voci.at(p).Voce, voci.at(p).Campi);
        }
    });
}

void TFInvioMail::ButtonInterrompiClick() {
    if (!InvioInCorso()) return;
    ferma_ = true;
    ButtonInterrompi->setEnabled(false);
    Operazione->setText(QStringLiteral("Interruzione in corso..."));
}

void TFInvioMail::ButtonReinviaClick() {
    if (InvioInCorso() || opzioni_.Spedizione == 0) return;
    RunGuarded(boxes_, [this] {
        brivano::TRegistroInvii* registro = Registro();
        if (!registro) return;
        const auto voci = registro->Voci(opzioni_.Spedizione);
        opzioni_.Posizioni = registro->ReinviaFalliti(opzioni_.Spedizione);
        ListBox1->clear();
        vociRipresa_.clear();
        for (std::size_t p : opzioni_.Posizioni) {
            vociRipresa_.push_back(voci.at(p).Voce);
            brivano::AggiungiVoce(*ListBox1, voci.at(p).Voce, voci.at(p).Campi);
        }
    });
    ButtonReinvia->hide();
    ButtonInvioClick();
}

void TFInvioMail::CompilaDaAccount() {
    if (!impostazioni_ || impostazioni_->Salvataggi() == salvataggiVisti_) return;
    salvataggiVisti_ = impostazioni_->Salvataggi();
    const brivano::TAccountCaricato caricato = impostazioni_->Carica();
    if (!caricato.Salvato) return;
    DDHost->setText(QString::fromStdString(caricato.Account.Host));
    DDIndirizzoSped->setText(QString::fromStdString(caricato.Account.Mittente));
    DDIndirizzoPSW->setText(QString::fromStdString(caricato.Password));
}

void TFInvioMail::DBGrid1DblClick() {
    RunGuarded(boxes_, [this] {
        TFieldValue email;
        if (fdb_.QGEN.Active() && !fdb_.QGEN.IsEmpty()) email = fdb_.QGEN.FieldValue("Email");
        if (!email) throw ENullFieldAsText();
        brivano::AggiungiVoce(*ListBox1, *email, brivano::CampiDellaRiga(fdb_.QGEN));
    });
}

void TFInvioMail::AbilitaInput(bool abilita) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             DBGrid1, ListBox1, DDHost, DDIndirizzoSped, DDIndirizzoPSW, DDOgetto, ButtonInvio,
             ButtonAnteprima, ButtonProva, ButtonPiePagina})
        w->setEnabled(abilita);
    for (QLineEdit* riga : DDTestoRiga) riga->setEnabled(abilita);
    Scelta->Abilita(abilita);
}

void TFInvioMail::MostraAvanzamento(int fatti) {
    // A position past the maximum shows as a full bar.
    ProgressBar1->setValue(std::min(fatti, ProgressBar1->maximum()));
}

brivano::TDatiInvio TFInvioMail::DatiInvio() const {
    brivano::TDatiInvio dati;
    dati.Host = DDHost->text().toStdString();
    dati.Mittente = DDIndirizzoSped->text().toStdString();
    dati.Password = DDIndirizzoPSW->text().toStdString();
    dati.Oggetto = DDOgetto->text().toStdString();
    for (std::size_t n = 0; n < DDTestoRiga.size(); ++n)
        dati.Righe[n] = DDTestoRiga[n]->text().toStdString();
    dati.Porta = porta_;
    if (impostazioni_)
        if (const auto account = brivano::LeggiAccount()) {
            dati.Porta = account->Porta;
            dati.UseTLS = brivano::UseTLSPer(account->Sicurezza);
            dati.Utente = account->Utente;
            dati.MittenteNome = account->MittenteNome;
            dati.PerConnessione = account->MessaggiPerConnessione;
            dati.Connessioni = account->Connessioni;
        }
    return dati;
}

void TFInvioMail::ButtonInvioClick() {
    AvviaInvio(brivano::TestiDelleVoci(*ListBox1), brivano::CampiDelleVoci(*ListBox1), false);
}

void TFInvioMail::ButtonProvaClick() {
    std::vector<brivano::TCampiContatto> campi = brivano::CampiDelleVoci(*ListBox1);
    campi.resize(1);
    AvviaInvio({DDIndirizzoSped->text().toStdString()}, campi, true);
}

TFAnteprima* TFInvioMail::ButtonAnteprimaClick() {
    if (InvioInCorso()) return nullptr;
    const std::vector<std::string> voci = brivano::TestiDelleVoci(*ListBox1);
    if (voci.empty()) {
        boxes_.ShowInfo("Aggiungere almeno un indirizzo per vedere l'anteprima.");
        return nullptr;
    }
    // A copy of client and message: the preview changes nothing of the next run.
    auto base = std::make_shared<TIdMessage>(IdMessage1);
    std::optional<brivano::TUnioneInvio> unione;
    try {
        brivano::TDatiInvio dati = DatiInvio();
        dati.ListUnsubscribe = brivano::LeggiListUnsubscribe();
        TIdSMTP prova;
        brivano::PreparaInvio(prova, *base, dati, limiti_);
        unione =
            brivano::UnionePerInvio(boxes_, dati.Oggetto, dati.Righe, brivano::LeggiPiePagina(),
                                    brivano::CampiDelleVoci(*ListBox1));
    } catch (const std::exception& e) {
        boxes_.ShowError(e.what());
        return nullptr;
    }
    if (!unione) return nullptr;
    auto componi = [base, unione = *unione, voci](std::size_t i) {
        TIdMessage message = *base;
        unione.Applica(i, message);
        try {
            message.Recipients().SetListText(voci[i]);
            TFAnteprima::TForme forme;
            forme.SulFilo = brivano::BytesSulFilo(message);
            forme.Leggibile = brivano::TestoLeggibile(message);
            return forme;
        } catch (const std::exception& e) {
            const std::string motivo = std::string("Questo messaggio non partirebbe: ") + e.what();
            return TFAnteprima::TForme{motivo, motivo};
        }
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

void TFInvioMail::AvviaInvio(std::vector<std::string> voci,
                             const std::vector<brivano::TCampiContatto>& campi, bool prova) {
    if (InvioInCorso()) return;
    brivano::TDatiInvio dati;
    std::vector<std::string> piePagina;
    try {
        dati = DatiInvio();
        dati.ListUnsubscribe = brivano::LeggiListUnsubscribe();
        piePagina = brivano::LeggiPiePagina();
        brivano::PreparaInvio(IdSMTP1, IdMessage1, dati, limiti_);
        brivano::ImpostaConnessioni(opzioni_, dati, limiti_);
    } catch (const brivano::EInvioTestoNonValido& e) {
        boxes_.ShowInfo(std::string(e.what()) + ": invio annullato.");
        emit InvioConcluso();
        return;
    } catch (const std::exception& e) {
        // The saved account or a setting could not be read: nothing is sent.
        boxes_.ShowError(e.what());
        emit InvioConcluso();
        return;
    }
    // Every check comes before the first connection.
    unione_ = brivano::UnionePerInvio(boxes_, dati.Oggetto, dati.Righe, piePagina, campi);
    if (!unione_ || !brivano::ControlliPrimaDellInvio(boxes_, IdMessage1, *unione_, voci)) {
        emit InvioConcluso();
        return;
    }

    voci_ = std::move(voci);
    destinatari_ = static_cast<int>(voci_.size());
    esclusi_.clear();
    try {
        // Read here, on the window's thread: the run only looks the answers up.
        const brivano::TNonInviare nonInviare(brivano::PercorsoNonInviareConfigurato());
        for (const std::string& voce : voci_)
            esclusi_.push_back(brivano::VoceEsclusa(nonInviare, voce));
    } catch (const std::exception& e) {
        boxes_.ShowError(std::string(e.what()) +
                         "\rInvio annullato: l'elenco non inviare non si legge");
        emit InvioConcluso();
        return;
    }
    ProgressBar1->show();
    Operazione->show();
    if (destinatari_ == 0) {
        ProgressBar1->hide();
        Operazione->hide();
        emit InvioConcluso();
        return;
    }
    try {
        brivano::TRegistroInvii* registro = Registro();
        opzioni_.Registro = registro;
        // The list still holds the entries of a resume (or a resend): the
        // journal's run goes on; anything else is a new run.
        if (!registro || opzioni_.Spedizione == 0 || voci_ != vociRipresa_) {
            opzioni_.Posizioni.clear();
            opzioni_.Spedizione =
                registro ? registro->NuovaSpedizione({brivano::AccountInvio(dati), dati.Mittente,
                                                      dati.Oggetto, dati.Righe},
                                                     voci_, campi)
                         : 0;
        }
        brivano::ImpostaCadenza(opzioni_, impostazioni_ ? brivano::LeggiAccount() : std::nullopt,
                                registro, brivano::AccountInvio(dati), &ferma_);
    } catch (const std::exception& e) {
        // Without its journal a run could send duplicates later: none starts.
        ProgressBar1->hide();
        Operazione->hide();
        boxes_.ShowError(e.what());
        emit InvioConcluso();
        return;
    }
    vociRipresa_.clear();
    prova_ = prova;
    ferma_ = false;
    opzioni_.Interrompi = &ferma_;
    opzioni_.Cadenza->AvvisoAttesa = [this](const std::string& testo) {
        emit StatoInvio(QString::fromStdString(testo));
    };
    PannelloAvanzamento->setText(
        QString::fromStdString(opzioni_.Cadenza->TestoAvanzamento(0, voci_.size())));
    // One recipient: a range of 0 ... 0 would draw a busy bar, not a full one.
    ProgressBar1->setRange(0, std::max(destinatari_ - 1, 1));
    AbilitaInput(false);
    ButtonReinvia->hide();
    ButtonInterrompi->setEnabled(true);
    ButtonInterrompi->show();

    worker_ = QThread::create([this] {
        brivano::TAvvisiInvio avvisi;
        avvisi.Escluso = [this](std::size_t indice, const std::string&) {
            return esclusi_[indice];
        };
        avvisi.Inizio = [this](std::size_t, const std::string& voce) {
            emit StatoInvio(QStringLiteral("Sto Spedendo ") + QString::fromStdString(voce));
        };
        avvisi.Componi = [this](std::size_t i, TIdMessage& message) {
            unione_->Applica(i, message);
        };
        avvisi.Fatto = [this](std::size_t fatti) {
            emit AvanzamentoInvio(destinatari_ == 1 ? 1 : static_cast<int>(fatti));
            emit TestoAvanzamento(
                QString::fromStdString(opzioni_.Cadenza->TestoAvanzamento(fatti, voci_.size())));
        };
        try {
            esito_ = brivano::EseguiInvio(IdSMTP1, IdMessage1, voci_, avvisi, opzioni_);
        } catch (const std::exception& e) {
            // The journal failed: the run stops where it was.
            esito_ = {};
            esito_.Interrotto = true;
            esito_.Falliti.push_back({0, "", e.what()});
        }
    });
    connect(worker_, &QThread::finished, this, &TFInvioMail::FineInvio, Qt::QueuedConnection);
    worker_->start();
}

void TFInvioMail::FineInvio() {
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    AbilitaInput(true);
    const brivano::TEsitoInvio esito = std::move(esito_);
    esito_ = {};
    ProgressBar1->hide();
    Operazione->hide();
    ButtonInterrompi->hide();
    PannelloAvanzamento->clear();
    std::size_t restano = 0;
    if (esito.Interrotto && opzioni_.Registro && opzioni_.Spedizione != 0)
        RunGuarded(boxes_,
                   [&] { restano = opzioni_.Registro->Spedizione(opzioni_.Spedizione).DaFare; });
    if (!esito.Esclusi.empty()) boxes_.ShowInfo(brivano::TestoEsclusi(esito.Esclusi.size()));
    if (!esito.Falliti.empty()) {
        ListBox1->clearSelection();
        for (const auto& f : esito.Falliti)
            if (auto* item = ListBox1->item(static_cast<int>(f.Indice))) item->setSelected(true);
        if (opzioni_.Registro) ButtonReinvia->show();
    }
    const std::string riepilogo = brivano::RiepilogoInvio(esito, restano);
    if (!riepilogo.empty()) boxes_.ShowInfo(riepilogo);
    // A successful run says nothing; a test send that said nothing would
    // leave the user guessing whether it went.
    if (prova_ && esito.Inviati > 0)
        boxes_.ShowInfo("Messaggio di prova inviato a " + voci_.front() + ".");
    prova_ = false;
    opzioni_.Posizioni.clear();
    emit InvioConcluso();
    if (chiudiAFine_) {
        chiudiAFine_ = false;
        close();
    }
}
