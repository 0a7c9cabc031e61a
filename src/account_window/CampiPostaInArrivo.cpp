#include "account_window/CampiPostaInArrivo.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "config/F_Conf.h"

namespace {

// The port each security is usually served on.
int PortaAbituale(brivano::TSicurezzaImap sicurezza) {
    return sicurezza == brivano::TSicurezzaImap::SSLTLS ? 993 : 143;
}

}  // namespace

TCampiPostaInArrivo::TCampiPostaInArrivo(QWidget* parent)
    : QGroupBox(QStringLiteral("Posta in arrivo (IMAP)"), parent) {
    setObjectName("CampiPostaInArrivo");
    auto* campi = new QFormLayout(this);
    DDImapHost = new QLineEdit(this);
    DDImapHost->setObjectName("DDImapHost");
    DDImapHost->setPlaceholderText(QStringLiteral("vuoto: non leggere la posta"));
    campi->addRow(QStringLiteral("Server IMAP"), DDImapHost);
    DDImapPorta = new QSpinBox(this);
    DDImapPorta->setObjectName("DDImapPorta");
    DDImapPorta->setRange(1, 65535);
    campi->addRow(QStringLiteral("Porta"), DDImapPorta);
    // The order of TSicurezzaImap. Either way the password never goes in clear.
    ComboImapSicurezza = new QComboBox(this);
    ComboImapSicurezza->setObjectName("ComboImapSicurezza");
    ComboImapSicurezza->addItems({QStringLiteral("SSL/TLS"), QStringLiteral("STARTTLS")});
    campi->addRow(QStringLiteral("Sicurezza"), ComboImapSicurezza);
    DDImapUtente = new QLineEdit(this);
    DDImapUtente->setObjectName("DDImapUtente");
    DDImapUtente->setPlaceholderText(QStringLiteral("vuoto: lo stesso dell'invio"));
    campi->addRow(QStringLiteral("Nome utente IMAP"), DDImapUtente);
    LabelImapNota = new QLabel(this);
    LabelImapNota->setObjectName("LabelImapNota");
    LabelImapNota->setWordWrap(true);
    campi->addRow(QString(), LabelImapNota);
    connect(ComboImapSicurezza, &QComboBox::activated, this, [this] { ComboSicurezzaChange(); });
    Mostra({});
}

void TCampiPostaInArrivo::Mostra(const brivano::TAccountPosta& account) {
    DDImapHost->setText(QString::fromStdString(account.Host));
    DDImapPorta->setValue(account.Porta);
    ComboImapSicurezza->setCurrentIndex(static_cast<int>(account.Sicurezza));
    DDImapUtente->setText(QString::fromStdString(account.Utente));
}

void TCampiPostaInArrivo::Carica() {
    LabelImapNota->clear();
    caricato_ = brivano::LeggiAccountPosta().value_or(brivano::TAccountPosta{});
    Mostra(caricato_);
}

void TCampiPostaInArrivo::ApplicaFornitore(const std::string& fornitore) {
    const brivano::TPresetPosta* preset = brivano::PresetPostaPer(fornitore);
    if (preset == nullptr) {
        LabelImapNota->clear();
        return;
    }
    DDImapHost->setText(QString::fromUtf8(preset->Host));
    DDImapPorta->setValue(preset->Porta);
    ComboImapSicurezza->setCurrentIndex(static_cast<int>(preset->Sicurezza));
    LabelImapNota->setText(preset->DaVerificare
                               ? QStringLiteral("Valori proposti, da verificare sul sito del "
                                                "fornitore.")
                               : QString());
}

void TCampiPostaInArrivo::ComboSicurezzaChange() {
    const auto nuova = static_cast<brivano::TSicurezzaImap>(ComboImapSicurezza->currentIndex());
    const auto prima = nuova == brivano::TSicurezzaImap::SSLTLS ? brivano::TSicurezzaImap::STARTTLS
                                                                : brivano::TSicurezzaImap::SSLTLS;
    // A port the user typed stays; the usual one follows the security.
    if (DDImapPorta->value() == PortaAbituale(prima)) DDImapPorta->setValue(PortaAbituale(nuova));
}

std::optional<brivano::TAccountPosta> TCampiPostaInArrivo::Account() const {
    brivano::TAccountPosta account = caricato_;
    account.Host = DDImapHost->text().trimmed().toStdString();
    if (account.Host.empty()) return std::nullopt;
    account.Porta = DDImapPorta->value();
    account.Sicurezza = static_cast<brivano::TSicurezzaImap>(ComboImapSicurezza->currentIndex());
    account.Utente = DDImapUtente->text().trimmed().toStdString();
    return account;
}

void TCampiPostaInArrivo::Salva() const {
    if (const auto account = Account())
        brivano::ScriviAccountPosta(*account);
    else
        ScriviReg(KeyBrivano, brivano::ValoriPosta::Host, "");
}
