#include "mailing_window/F_Anteprima.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

// Wire bytes with their line ends shown, so CR LF and trailing blanks can be seen.
QString ComeSulFilo(const std::string& bytes) {
    QString testo;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes.compare(i, 2, "\r\n") == 0) {
            testo += QStringLiteral("\u240D\u240A\n");
            ++i;
        } else {
            testo += QChar::fromLatin1(bytes[i]);
        }
    }
    return testo;
}

}  // namespace

TFAnteprima::TFAnteprima(const std::vector<std::string>& voci, TComponi componi, QWidget* parent)
    : QDialog(parent), componi_(std::move(componi)) {
    setObjectName("FAnteprima");
    setWindowTitle(QStringLiteral("Anteprima"));
    resize(760, 560);
    auto* colonna = new QVBoxLayout(this);
    auto* riga = new QHBoxLayout;
    riga->addWidget(new QLabel(QStringLiteral("Destinatario:"), this));
    Destinatario = new QComboBox(this);
    Destinatario->setObjectName("Destinatario");
    for (const auto& voce : voci) Destinatario->addItem(QString::fromStdString(voce));
    riga->addWidget(Destinatario, 1);
    ByteSulFilo = new QCheckBox(QStringLiteral("Byte esatti sul filo"), this);
    ByteSulFilo->setObjectName("ByteSulFilo");
    riga->addWidget(ByteSulFilo);
    colonna->addLayout(riga);
    Testo = new QPlainTextEdit(this);
    Testo->setObjectName("Testo");
    Testo->setReadOnly(true);
    Testo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Testo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    colonna->addWidget(Testo, 1);
    auto* pulsanti = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(pulsanti, &QDialogButtonBox::rejected, this, &QDialog::reject);
    colonna->addWidget(pulsanti);
    connect(Destinatario, &QComboBox::currentIndexChanged, this, [this] { Mostra(); });
    connect(ByteSulFilo, &QCheckBox::toggled, this, [this] { Mostra(); });
    Mostra();
}

void TFAnteprima::Mostra() {
    const int indice = Destinatario->currentIndex();
    const TForme forme = componi_(indice < 0 ? 0 : static_cast<std::size_t>(indice));
    // Bytes are shown one character per byte: what a reader's decoding would hide.
    Testo->setPlainText(ByteSulFilo->isChecked() ? ComeSulFilo(forme.SulFilo)
                                                 : QString::fromStdString(forme.Leggibile));
}
