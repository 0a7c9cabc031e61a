#include "mailing_window/F_PiePagina.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/MessageBoxes.h"
#include "workflow/AccountInvio.h"
#include "workflow/ModelloPiePagina.h"
#include "workflow/OpzioniMessaggio.h"

namespace {

QString Unite(const std::vector<std::string>& righe) {
    QStringList testo;
    for (const auto& riga : righe) testo << QString::fromStdString(riga);
    return testo.join(QLatin1Char('\n'));
}

}  // namespace

TFPiePagina::TFPiePagina(TMessageBoxes& boxes, QWidget* parent) : QDialog(parent), boxes_(boxes) {
    setObjectName("FPiePagina");
    setWindowTitle(QStringLiteral("Piè di pagina"));
    resize(720, 320);
    auto* colonna = new QVBoxLayout(this);
    colonna->addWidget(new QLabel(
        QStringLiteral("Righe aggiunte in fondo a ogni messaggio, dopo nove righe vuote:"), this));
    Righe = new QPlainTextEdit(this);
    Righe->setObjectName("Righe");
    Righe->setLineWrapMode(QPlainTextEdit::NoWrap);
    colonna->addWidget(Righe, 1);
    auto* pulsanti = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Ripristina = pulsanti->addButton(QStringLiteral("Ripristina"), QDialogButtonBox::ResetRole);
    Ripristina->setObjectName("Ripristina");
    // Beside the usual lines, the notice a promotional run wants.
    Modello = pulsanti->addButton(QStringLiteral("Modello"), QDialogButtonBox::ResetRole);
    Modello->setObjectName("Modello");
    colonna->addWidget(pulsanti);
    connect(Ripristina, &QPushButton::clicked, this,
            [this] { Righe->setPlainText(Unite(brivano::PiePaginaPredefinito())); });
    connect(Modello, &QPushButton::clicked, this, [this] {
        RunGuarded(boxes_, [this] {
            const auto account = brivano::LeggiAccount();
            Righe->setPlainText(
                Unite(brivano::PiePaginaModello(account ? account->MittenteNome : std::string())));
        });
    });
    connect(pulsanti, &QDialogButtonBox::accepted, this, &TFPiePagina::Salva);
    connect(pulsanti, &QDialogButtonBox::rejected, this, &QDialog::reject);
    RunGuarded(boxes_, [this] { Righe->setPlainText(Unite(brivano::LeggiPiePagina())); });
}

void TFPiePagina::Salva() {
    std::vector<std::string> righe;
    for (const QString& riga : Righe->toPlainText().split(QLatin1Char('\n')))
        righe.push_back(riga.toStdString());
    // Blank lines at the end would only lengthen every message.
    while (!righe.empty() && righe.back().find_first_not_of(" \t") == std::string::npos)
        righe.pop_back();
    try {
        brivano::ScriviPiePagina(righe);
    } catch (const std::exception& e) {
        boxes_.ShowError(e.what());
        return;
    }
    accept();
}
