#include "account_window/F_ImpostazioniInvio.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

#include "account_window/CampiPostaInArrivo.h"
#include "dialogs/MessageBoxes.h"
#include "posta/PostaMittente.h"
#include "ui/CostruzioneDifferita.h"
#include "ui/Fonts.h"
#include "workflow/CertificatoFidato.h"
#include "workflow/Fornitori.h"
#include "workflow/PasswordInChiaro.h"
#include "workflow/SpedizioneMail.h"

namespace {

QString Q(const std::string& testo) {
    return QString::fromStdString(testo);
}

std::string S(const QString& testo) {
    return testo.toStdString();
}

QLineEdit* Casella(QWidget* parent, const char* nome) {
    auto* casella = new QLineEdit(parent);
    casella->setObjectName(QString::fromLatin1(nome));
    return casella;
}

// A whole number from 0; `zero` is shown instead of 0 when given.
QSpinBox* Numero(QWidget* parent, const char* nome, int massimo, const char* zero = nullptr) {
    auto* numero = new QSpinBox(parent);
    numero->setObjectName(QString::fromLatin1(nome));
    numero->setRange(0, massimo);
    if (zero) numero->setSpecialValueText(QString::fromUtf8(zero));
    return numero;
}

}  // namespace

TFImpostazioniInvio::TFImpostazioniInvio(brivano::TImpostazioniInvio& impostazioni,
                                         TMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent),
      impostazioni_(impostazioni),
      boxes_(boxes),
      apriBrowser_([](const std::string& indirizzo) { return brivano::ApriBrowser(indirizzo); }) {
    setObjectName("FImpostazioniInvio");
    setWindowTitle(QStringLiteral("Impostazioni Invio"));
    setFont(Tahoma(8));
    brivano::CostruisciControlli(*this, [this] {
        CreaControlli();
        connect(this, &TFImpostazioniInvio::PassoProva, MemoProva, &QPlainTextEdit::appendPlainText,
                Qt::QueuedConnection);
    });
}

TFImpostazioniInvio::~TFImpostazioniInvio() {
    // The worker writes into the window's list of steps.
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
    if (accessoWorker_) {
        annullaAccesso_ = true;
        accessoWorker_->wait();
        delete accessoWorker_;
    }
}

void TFImpostazioniInvio::CreaControlli() {
    auto* campi = new QFormLayout;
    ComboFornitore = new QComboBox(this);
    ComboFornitore->setObjectName("ComboFornitore");
    for (const brivano::TFornitore& f : brivano::Fornitori())
        ComboFornitore->addItem(QString::fromUtf8(f.Nome));
    campi->addRow(QStringLiteral("Fornitore"), ComboFornitore);
    LabelNota = new QLabel(this);
    LabelNota->setObjectName("LabelNota");
    LabelNota->setWordWrap(true);
    campi->addRow(QString(), LabelNota);

    DDHost = Casella(this, "DDHost");
    campi->addRow(QStringLiteral("Host SMTP"), DDHost);
    DDPorta = new QSpinBox(this);
    DDPorta->setObjectName("DDPorta");
    DDPorta->setRange(1, 65535);
    campi->addRow(QStringLiteral("Porta"), DDPorta);
    ComboSicurezza = new QComboBox(this);
    ComboSicurezza->setObjectName("ComboSicurezza");
    for (auto s :
         {brivano::TSicurezza::Nessuna, brivano::TSicurezza::STARTTLS, brivano::TSicurezza::SSLTLS})
        ComboSicurezza->addItem(QString::fromLatin1(brivano::TestoSicurezza(s)));
    campi->addRow(QStringLiteral("Sicurezza"), ComboSicurezza);
    DDMittente = Casella(this, "DDMittente");
    campi->addRow(QStringLiteral("Indirizzo di spedizione"), DDMittente);
    DDMittenteNome = Casella(this, "DDMittenteNome");
    campi->addRow(QStringLiteral("Nome del mittente"), DDMittenteNome);
    DDUtente = Casella(this, "DDUtente");
    DDUtente->setPlaceholderText(QStringLiteral("vuoto: l'indirizzo di spedizione"));
    campi->addRow(QStringLiteral("Nome utente SMTP"), DDUtente);
    ComboMetodo = new QComboBox(this);
    ComboMetodo->setObjectName("ComboMetodo");
    for (auto m : {brivano::TMetodoAccesso::Password, brivano::TMetodoAccesso::Microsoft,
                   brivano::TMetodoAccesso::Google})
        ComboMetodo->addItem(QString::fromLatin1(brivano::TestoMetodo(m)));
    campi->addRow(QStringLiteral("Accesso"), ComboMetodo);
    DDPassword = Casella(this, "DDPassword");
    DDPassword->setEchoMode(QLineEdit::Password);
    campi->addRow(QStringLiteral("Password"), DDPassword);
    DDTenant = Casella(this, "DDTenant");
    DDTenant->setPlaceholderText(QStringLiteral("common"));
    campi->addRow(QStringLiteral("Tenant"), DDTenant);
    DDIdApplicazione = Casella(this, "DDIdApplicazione");
    DDIdApplicazione->setPlaceholderText(QStringLiteral("vuoto: quello del programma"));
    campi->addRow(QStringLiteral("ID applicazione"), DDIdApplicazione);
    ButtonAccedi = new QPushButton(QStringLiteral("Accedi…"), this);
    ButtonAccedi->setObjectName("ButtonAccedi");
    ButtonAccedi->setAutoDefault(false);
    ButtonAnnullaAccesso = new QPushButton(QStringLiteral("Annulla"), this);
    ButtonAnnullaAccesso->setObjectName("ButtonAnnullaAccesso");
    ButtonAnnullaAccesso->setAutoDefault(false);
    ButtonAnnullaAccesso->hide();
    ButtonEsci = new QPushButton(QStringLiteral("Esci"), this);
    ButtonEsci->setObjectName("ButtonEsci");
    ButtonEsci->setAutoDefault(false);
    auto* accesso = new QHBoxLayout;
    accesso->addWidget(ButtonAccedi);
    accesso->addWidget(ButtonAnnullaAccesso);
    accesso->addWidget(ButtonEsci);
    accesso->addStretch();
    campi->addRow(QString(), accesso);
    LabelAccesso = new QLabel(this);
    LabelAccesso->setObjectName("LabelAccesso");
    LabelAccesso->setWordWrap(true);
    LabelAccesso->setTextInteractionFlags(Qt::TextSelectableByMouse);
    campi->addRow(QString(), LabelAccesso);
    LabelPortachiavi = new QLabel(this);
    LabelPortachiavi->setObjectName("LabelPortachiavi");
    LabelPortachiavi->setWordWrap(true);
    campi->addRow(QString(), LabelPortachiavi);
    LabelInChiaro = new QLabel(this);
    LabelInChiaro->setObjectName("LabelInChiaro");
    LabelInChiaro->setWordWrap(true);
    campi->addRow(QString(), LabelInChiaro);
    DDMessaggiPerConnessione = new QSpinBox(this);
    DDMessaggiPerConnessione->setObjectName("DDMessaggiPerConnessione");
    DDMessaggiPerConnessione->setRange(1, brivano::MessaggiPerConnessioneMassimi);
    campi->addRow(QStringLiteral("Messaggi per connessione"), DDMessaggiPerConnessione);
    DDConnessioni = new QSpinBox(this);
    DDConnessioni->setObjectName("DDConnessioni");
    DDConnessioni->setRange(1, brivano::ConnessioniMassime);
    campi->addRow(QStringLiteral("Connessioni"), DDConnessioni);
    DDDimensioneMassima = new QSpinBox(this);
    DDDimensioneMassima->setObjectName("DDDimensioneMassima");
    DDDimensioneMassima->setRange(1, brivano::DimensioneMassimaMBMassima);
    DDDimensioneMassima->setSuffix(QStringLiteral(" MB"));
    campi->addRow(QStringLiteral("Messaggio al massimo"), DDDimensioneMassima);

    ButtonProva = new QPushButton(QStringLiteral("Prova connessione"), this);
    ButtonProva->setObjectName("ButtonProva");
    ButtonProva->setAutoDefault(false);
    MemoProva = new QPlainTextEdit(this);
    MemoProva->setObjectName("MemoProva");
    MemoProva->setReadOnly(true);
    MemoProva->setMinimumHeight(110);

    ButtonSalva = new QPushButton(QStringLiteral("Salva"), this);
    ButtonSalva->setObjectName("ButtonSalva");
    ButtonAnnulla = new QPushButton(QStringLiteral("Annulla"), this);
    ButtonAnnulla->setObjectName("ButtonAnnulla");
    ButtonAnnulla->setAutoDefault(false);
    auto* bottoni = new QHBoxLayout;
    bottoni->addWidget(ButtonProva);
    bottoni->addStretch();
    bottoni->addWidget(ButtonSalva);
    bottoni->addWidget(ButtonAnnulla);

    CampiArrivo = new TCampiPostaInArrivo(this);
    auto* gruppi = new QHBoxLayout;
    gruppi->addWidget(CreaCampiCadenza());
    gruppi->addWidget(CampiArrivo);
    auto* colonna = new QVBoxLayout(this);
    colonna->addLayout(campi);
    colonna->addLayout(gruppi);
    colonna->addWidget(MemoProva);
    colonna->addLayout(bottoni);
    resize(760, 660);

    // Only a choice made by the user fills the fields; loading an account
    // sets the list without touching what was saved.
    connect(ComboFornitore, &QComboBox::activated, this, [this] { ComboFornitoreChange(); });
    connect(ComboSicurezza, &QComboBox::activated, this, [this] { ComboSicurezzaChange(); });
    connect(DDPassword, &QLineEdit::textChanged, this, [this] { MostraAvvisoInChiaro(); });
    connect(ComboSicurezza, &QComboBox::currentIndexChanged, this,
            [this] { MostraAvvisoInChiaro(); });
    connect(ComboMetodo, &QComboBox::activated, this, [this] { MostraMetodo(); });
    connect(ButtonAccedi, &QPushButton::clicked, this, [this] { ButtonAccediClick(); });
    connect(ButtonAnnullaAccesso, &QPushButton::clicked, this,
            [this] { ButtonAnnullaAccessoClick(); });
    connect(ButtonEsci, &QPushButton::clicked, this, [this] { ButtonEsciClick(); });
    connect(ButtonProva, &QPushButton::clicked, this, [this] { ButtonProvaClick(); });
    connect(ButtonSalva, &QPushButton::clicked, this, [this] { ButtonSalvaClick(); });
    connect(ButtonAnnulla, &QPushButton::clicked, this, [this] { ButtonAnnullaClick(); });
}

QWidget* TFImpostazioniInvio::CreaCampiCadenza() {
    auto* gruppo = new QGroupBox(QStringLiteral("Ritmo di invio"), this);
    auto* campi = new QFormLayout(gruppo);
    DDLimiteMinuto = Numero(gruppo, "DDLimiteMinuto", brivano::LimiteMassimo, "nessun limite");
    campi->addRow(QStringLiteral("Messaggi al minuto"), DDLimiteMinuto);
    DDLimiteOra = Numero(gruppo, "DDLimiteOra", brivano::LimiteMassimo, "nessun limite");
    campi->addRow(QStringLiteral("Messaggi all'ora"), DDLimiteOra);
    DDLimiteGiorno = Numero(gruppo, "DDLimiteGiorno", brivano::LimiteMassimo, "nessun limite");
    campi->addRow(QStringLiteral("Messaggi al giorno"), DDLimiteGiorno);
    DDPausa = Numero(gruppo, "DDPausa", brivano::PausaMassima, "nessuna");
    DDPausa->setSuffix(QStringLiteral(" s"));
    campi->addRow(QStringLiteral("Pausa tra i messaggi"), DDPausa);
    DDTentativi = Numero(gruppo, "DDTentativi", brivano::TentativiMassimi);
    campi->addRow(QStringLiteral("Nuovi tentativi (risposte 4xx)"), DDTentativi);
    DDAttesaTentativi = Numero(gruppo, "DDAttesaTentativi", brivano::AttesaMassima);
    DDAttesaTentativi->setSuffix(QStringLiteral(" s"));
    campi->addRow(QStringLiteral("Attesa tra i tentativi"), DDAttesaTentativi);
    return gruppo;
}

void TFImpostazioniInvio::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFImpostazioniInvio::closeEvent(QCloseEvent* event) {
    if (ProvaInCorso() || AccessoInCorso()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFImpostazioniInvio::reject() {
    if (ProvaInCorso() || AccessoInCorso()) return;
    // Escape and the close box must not throw typed changes away unasked;
    // "Annulla" drops them on purpose.
    const bool cambiato =
        AccountDeiCampi() != accountMostrato_ || S(DDPassword->text()) != passwordMostrata_;
    if (cambiato && boxes_.Choose("Le modifiche alle impostazioni di invio non sono state salvate.",
                                  "Chiudi senza salvare", "Torna alle impostazioni",
                                  false) != TConfirmAnswer::Yes)
        return;
    QDialog::reject();
}

void TFImpostazioniInvio::FormShow() {
    MemoProva->clear();
    LabelPortachiavi->clear();
    RunGuarded(boxes_, [this] {
        const brivano::TAccountCaricato caricato = impostazioni_.Carica();
        brivano::TAccountInvio account = caricato.Account;
        if (!caricato.Salvato) account.Fornitore = "Altro";
        MostraAccount(account);
        CampiArrivo->Carica();
        DDPassword->setText(Q(caricato.Password));
        if (!caricato.AvvisoPortachiavi.empty())
            LabelPortachiavi->setText(Q(caricato.AvvisoPortachiavi) +
                                      QStringLiteral(": scrivere la password qui o nella "
                                                     "finestra Invio Mail."));
    });
    accountMostrato_ = AccountDeiCampi();
    passwordMostrata_ = S(DDPassword->text());
}

void TFImpostazioniInvio::MostraAccount(const brivano::TAccountInvio& account) {
    const int indice = ComboFornitore->findText(Q(account.Fornitore));
    ComboFornitore->setCurrentIndex(indice >= 0 ? indice : ComboFornitore->count() - 1);
    DDHost->setText(Q(account.Host));
    DDPorta->setValue(account.Porta);
    ComboSicurezza->setCurrentIndex(static_cast<int>(account.Sicurezza));
    sicurezzaMostrata_ = account.Sicurezza;
    DDMittente->setText(Q(account.Mittente));
    DDMittenteNome->setText(Q(account.MittenteNome));
    DDUtente->setText(Q(account.Utente));
    DDMessaggiPerConnessione->setValue(account.MessaggiPerConnessione);
    DDConnessioni->setValue(account.Connessioni);
    DDDimensioneMassima->setValue(account.DimensioneMassimaMB);
    DDLimiteMinuto->setValue(account.Limiti.PerMinuto);
    DDLimiteOra->setValue(account.Limiti.PerOra);
    DDLimiteGiorno->setValue(account.Limiti.PerGiorno);
    DDPausa->setValue(account.Limiti.PausaSecondi);
    DDTentativi->setValue(account.Rinvii.Tentativi);
    DDAttesaTentativi->setValue(account.Rinvii.AttesaSecondi);
    ComboMetodo->setCurrentIndex(static_cast<int>(account.Metodo));
    DDTenant->setText(Q(account.Tenant));
    DDIdApplicazione->setText(Q(account.IdApplicazione));
    MostraNota();
    MostraMetodo();
}

brivano::TMetodoAccesso TFImpostazioniInvio::Metodo() const {
    return static_cast<brivano::TMetodoAccesso>(ComboMetodo->currentIndex());
}

void TFImpostazioniInvio::MostraMetodo() {
    const bool accesso = Metodo() != brivano::TMetodoAccesso::Password;
    DDPassword->setEnabled(!accesso);
    DDTenant->setEnabled(Metodo() == brivano::TMetodoAccesso::Microsoft);
    DDIdApplicazione->setEnabled(accesso);
    ButtonAccedi->setEnabled(accesso && !AccessoInCorso());
    ButtonEsci->setEnabled(accesso && !AccessoInCorso());
    if (AccessoInCorso()) return;
    LabelAccesso->clear();
    if (!accesso) return;
    RunGuarded(boxes_, [this] {
        const brivano::TAccountInvio account = AccountDeiCampi();
        bool collegato = false;
        try {
            collegato = impostazioni_.Accesso(account)->Collegato();
        } catch (const brivano::EAccessoNonRiuscito& e) {
            LabelAccesso->setText(Q(e.what()));
            return;
        }
        LabelAccesso->setText(collegato ? Q("Accesso eseguito come " + account.UtenteAccesso())
                                        : QStringLiteral("Accesso non eseguito: premere Accedi…"));
    });
}

TIdBearerSource TFImpostazioniInvio::FonteToken(const brivano::TAccountInvio& account) {
    if (account.Metodo == brivano::TMetodoAccesso::Password) return {};
    try {
        return [accesso = impostazioni_.Accesso(account)](const std::string& rifiutato) {
            return accesso->Token(rifiutato);
        };
    } catch (const std::exception&) {
        // The connection test reports the missing sign-in as its first step.
        return {};
    }
}

void TFImpostazioniInvio::ButtonAccediClick() {
    if (AccessoInCorso()) return;
    const brivano::TAccountInvio account = AccountDeiCampi();
    std::shared_ptr<brivano::TSessioneAccesso> sessione;
    std::shared_ptr<brivano::TAccessoInCorso> accesso;
    try {
        brivano::ControllaAccount(account);
        sessione = impostazioni_.Accesso(account);
        accesso = std::make_shared<brivano::TAccessoInCorso>(account);
    } catch (const std::exception& e) {
        boxes_.ShowInfo(e.what());
        return;
    }
    if (apriBrowser_(accesso->Indirizzo()))
        LabelAccesso->setText(QStringLiteral("Attendo l'accesso nel browser…"));
    else
        LabelAccesso->setText(
            QStringLiteral("Nessun browser si è aperto: copiare questo indirizzo nel browser.\n") +
            Q(accesso->Indirizzo()));
    annullaAccesso_ = false;
    erroreAccesso_.clear();
    AbilitaInput(false);
    ButtonAnnullaAccesso->show();
    ButtonAnnullaAccesso->setEnabled(true);
    accessoWorker_ = QThread::create([this, sessione, accesso] {
        try {
            accesso->Completa(*sessione, &annullaAccesso_);
        } catch (const std::exception& e) {
            erroreAccesso_ = e.what();
        }
    });
    connect(accessoWorker_, &QThread::finished, this, &TFImpostazioniInvio::FineAccesso,
            Qt::QueuedConnection);
    accessoWorker_->start();
}

void TFImpostazioniInvio::ButtonAnnullaAccessoClick() {
    annullaAccesso_ = true;
}

void TFImpostazioniInvio::FineAccesso() {
    accessoWorker_->wait();
    delete accessoWorker_;
    accessoWorker_ = nullptr;
    ButtonAnnullaAccesso->hide();
    AbilitaInput(true);
    MostraMetodo();
    if (!erroreAccesso_.empty()) boxes_.ShowError(erroreAccesso_);
    emit AccessoConcluso();
}

void TFImpostazioniInvio::ButtonEsciClick() {
    RunGuarded(boxes_, [this] { impostazioni_.Accesso(AccountDeiCampi())->Esci(); });
    MostraMetodo();
}

void TFImpostazioniInvio::MostraAvvisoInChiaro() {
    LabelInChiaro->setText(Q(brivano::AvvisoPasswordInChiaro(
        static_cast<brivano::TSicurezza>(ComboSicurezza->currentIndex()), S(DDPassword->text()))));
}

void TFImpostazioniInvio::MostraNota() {
    const brivano::TFornitore* f = brivano::TrovaFornitore(S(ComboFornitore->currentText()));
    LabelNota->setText(f ? QString::fromUtf8(f->Nota) : QString());
}

brivano::TAccountInvio TFImpostazioniInvio::AccountDeiCampi() const {
    brivano::TAccountInvio account;
    account.Host = S(DDHost->text().trimmed());
    account.Porta = DDPorta->value();
    account.Sicurezza = static_cast<brivano::TSicurezza>(ComboSicurezza->currentIndex());
    account.Utente = S(DDUtente->text().trimmed());
    account.Mittente = S(DDMittente->text().trimmed());
    account.MittenteNome = S(DDMittenteNome->text().trimmed());
    account.Fornitore = S(ComboFornitore->currentText());
    account.MessaggiPerConnessione = DDMessaggiPerConnessione->value();
    account.Connessioni = DDConnessioni->value();
    account.DimensioneMassimaMB = DDDimensioneMassima->value();
    account.Limiti = {DDLimiteMinuto->value(), DDLimiteOra->value(), DDLimiteGiorno->value(),
                      DDPausa->value()};
    account.Rinvii = {DDTentativi->value(), DDAttesaTentativi->value()};
    account.Metodo = Metodo();
    account.Tenant = S(DDTenant->text().trimmed());
    account.IdApplicazione = S(DDIdApplicazione->text().trimmed());
    return account;
}

void TFImpostazioniInvio::ComboFornitoreChange() {
    if (const brivano::TFornitore* f = brivano::TrovaFornitore(S(ComboFornitore->currentText()))) {
        brivano::TAccountInvio account = AccountDeiCampi();
        brivano::ApplicaFornitore(*f, account);
        MostraAccount(account);
        CampiArrivo->ApplicaFornitore(f->Nome);
    }
}

void TFImpostazioniInvio::ComboSicurezzaChange() {
    const auto nuova = static_cast<brivano::TSicurezza>(ComboSicurezza->currentIndex());
    DDPorta->setValue(brivano::PortaPerSicurezza(DDPorta->value(), sicurezzaMostrata_, nuova));
    sicurezzaMostrata_ = nuova;
}

void TFImpostazioniInvio::AbilitaInput(bool abilita) {
    for (QWidget* w : std::initializer_list<QWidget*>{ComboFornitore,
                                                      DDHost,
                                                      DDPorta,
                                                      ComboSicurezza,
                                                      DDMittente,
                                                      DDMittenteNome,
                                                      DDUtente,
                                                      DDPassword,
                                                      DDMessaggiPerConnessione,
                                                      DDConnessioni,
                                                      DDDimensioneMassima,
                                                      DDLimiteMinuto,
                                                      DDLimiteOra,
                                                      DDLimiteGiorno,
                                                      DDPausa,
                                                      DDTentativi,
                                                      DDAttesaTentativi,
                                                      ButtonProva,
                                                      ButtonSalva,
                                                      ButtonAnnulla,
                                                      ComboMetodo,
                                                      DDTenant,
                                                      DDIdApplicazione,
                                                      ButtonAccedi,
                                                      ButtonEsci,
                                                      CampiArrivo})
        w->setEnabled(abilita);
    if (abilita) MostraMetodo();
}

void TFImpostazioniInvio::ButtonProvaClick() {
    if (ProvaInCorso()) return;
    MemoProva->clear();
    const brivano::TAccountInvio account = AccountDeiCampi();
    const std::string password = S(DDPassword->text());
    const TIdBearerSource token = FonteToken(account);
    const auto arrivo = CampiArrivo->Account();
    AbilitaInput(false);
    passi_.clear();
    const TIdTrustedCertificate fidato = brivano::LeggiCertificatoFidato();
    worker_ = QThread::create([this, account, password, token, arrivo, fidato] {
        passi_ = brivano::ProvaConnessione(
            account, password,
            [this](const brivano::TPassoProva& passo) {
                emit PassoProva(Q(brivano::RigaPasso(passo)));
            },
            limiti_, token, fidato);
        if (!arrivo) return;
        // The incoming side signs in with the same password or sign-in.
        try {
            brivano::TAccessoImap imap = brivano::AccessoPer(*arrivo, account, password);
            if (token) imap.Token = token({});
            imap.AttesaSecondi = limiti_.Connessione / 1000 + 1;
            emit PassoProva(Q(brivano::ProvaPostaInArrivo(imap)));
        } catch (const std::exception& e) {
            emit PassoProva(
                Q(std::string("Posta in arrivo (IMAP) non raggiungibile: ") + e.what()));
        }
    });
    connect(worker_, &QThread::finished, this, &TFImpostazioniInvio::FineProva,
            Qt::QueuedConnection);
    worker_->start();
}

void TFImpostazioniInvio::FineProva() {
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    AbilitaInput(true);
    MemoProva->appendPlainText(Q(brivano::EsitoProva(passi_)));
    // A refused certificate the user recognises can be trusted from here.
    if (!passi_.empty() && passi_.back().Rifiuto &&
        brivano::OffriFiducia(boxes_, *passi_.back().Rifiuto))
        MemoProva->appendPlainText(
            QStringLiteral("Certificato accettato per questo host e questa porta: ripetere la "
                           "prova."));
    emit ProvaConclusa();
}

void TFImpostazioniInvio::ButtonSalvaClick() {
    try {
        const brivano::TAccountInvio account = AccountDeiCampi();
        // An account that signs in keeps no password.
        const brivano::TEsitoSalvataggio esito = impostazioni_.Salva(
            account,
            account.Metodo == brivano::TMetodoAccesso::Password ? S(DDPassword->text()) : "");
        CampiArrivo->Salva();
        boxes_.ShowInfo(esito.Messaggio);
        accept();
    } catch (const brivano::EAccountNonValido& e) {
        // The window stays open with what was typed.
        boxes_.ShowInfo(e.what());
    } catch (const brivano::EPosta& e) {
        boxes_.ShowInfo(e.what());
    } catch (const std::exception& e) {
        boxes_.ShowError(e.what());
    }
}

void TFImpostazioniInvio::ButtonAnnullaClick() {
    if (!ProvaInCorso() && !AccessoInCorso()) QDialog::reject();
}
