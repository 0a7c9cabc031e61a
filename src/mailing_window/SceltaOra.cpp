#include "mailing_window/SceltaOra.h"

#include <QDateTime>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

std::optional<std::chrono::system_clock::time_point> ChiediOraInvio(QWidget* parent) {
    QDialog finestra(parent);
    finestra.setWindowTitle(QStringLiteral("Invia più tardi"));
    auto* spiegazione = new QLabel(
        QStringLiteral("Data e ora dell'invio. Parte a quell'ora se il programma è aperto, "
                       "altrimenti con il timer degli invii programmati (Storico invii)."),
        &finestra);
    spiegazione->setWordWrap(true);
    auto* ora = new QDateTimeEdit(QDateTime::currentDateTime().addSecs(3600), &finestra);
    ora->setObjectName("OraInvio");
    ora->setCalendarPopup(true);
    ora->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm"));
    ora->setMinimumDateTime(QDateTime::currentDateTime());
    auto* pulsanti =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &finestra);
    pulsanti->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Programma"));
    pulsanti->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    QObject::connect(pulsanti, &QDialogButtonBox::accepted, &finestra, &QDialog::accept);
    QObject::connect(pulsanti, &QDialogButtonBox::rejected, &finestra, &QDialog::reject);
    auto* colonna = new QVBoxLayout(&finestra);
    colonna->addWidget(spiegazione);
    colonna->addWidget(ora);
    colonna->addWidget(pulsanti);
    if (finestra.exec() != QDialog::Accepted) return std::nullopt;
    return std::chrono::system_clock::time_point(
        std::chrono::milliseconds(ora->dateTime().toMSecsSinceEpoch()));
}
