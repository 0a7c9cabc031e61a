#pragma once
// The account's incoming side in "Impostazioni Invio": where the program
// reads the sender's mailbox (IMAP) for bounces and "Cancellami" replies.
// The password is the account's own.

#include <QGroupBox>
#include <string>

#include "posta/AccountPosta.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

class TCampiPostaInArrivo : public QGroupBox {
    Q_OBJECT
  public:
    explicit TCampiPostaInArrivo(QWidget* parent = nullptr);

    // The saved incoming side, or empty fields; raises EPosta for a stored
    // value that cannot be read.
    void Carica();
    // Fills server, port and security from the provider's preset, if any.
    void ApplicaFornitore(const std::string& fornitore);
    // Keeps the fields; an empty server forgets the incoming side. Raises
    // EPosta, in Italian, for a value that cannot be used.
    void Salva() const;
    // The fields; no server: nothing.
    std::optional<brivano::TAccountPosta> Account() const;

    QLineEdit* DDImapHost;
    QSpinBox* DDImapPorta;
    QComboBox* ComboImapSicurezza;
    QLineEdit* DDImapUtente;
    // "Valori da verificare" after a preset filled the fields.
    QLabel* LabelImapNota;

  private:
    void Mostra(const brivano::TAccountPosta& account);
    void ComboSicurezzaChange();

    // What the fields do not show, kept as loaded.
    brivano::TAccountPosta caricato_;
};
