#include "addressbook/F_SchedaRegistro.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <algorithm>

#include "dialogs/MessageBoxes.h"
#include "workflow/RegistroContatti.h"

namespace {

constexpr brivano::TBaseGiuridica Basi[] = {
    brivano::TBaseGiuridica::Nessuna, brivano::TBaseGiuridica::Consenso,
    brivano::TBaseGiuridica::Cliente, brivano::TBaseGiuridica::Contratto};

QString Q(const std::string& testo) {
    return QString::fromStdString(testo);
}

std::string S(const QLineEdit* campo) {
    return campo->text().toStdString();
}

}  // namespace

TFSchedaRegistro::TFSchedaRegistro(TMessageBoxes& boxes, std::string indirizzo, QWidget* parent)
    : QDialog(parent), boxes_(boxes), indirizzo_(std::move(indirizzo)) {
    setObjectName("FSchedaRegistro");
    setWindowTitle(QStringLiteral("Registro del contatto: ") + Q(indirizzo_));
    auto* modulo = new QFormLayout(this);
    Base = new QComboBox(this);
    Base->setObjectName("Base");
    for (const brivano::TBaseGiuridica base : Basi) Base->addItem(Q(brivano::NomeBase(base)));
    modulo->addRow(QStringLiteral("Base giuridica"), Base);
    const auto campo = [&](QLineEdit*& edit, const char* nome, const QString& etichetta) {
        edit = new QLineEdit(this);
        edit->setObjectName(nome);
        modulo->addRow(etichetta, edit);
    };
    campo(Fonte, "Fonte", QStringLiteral("Fonte"));
    campo(DataRaccolta, "DataRaccolta", QStringLiteral("Data di raccolta o consenso"));
    campo(Informativa, "Informativa", QStringLiteral("Versione dell'informativa"));
    campo(DataOpposizione, "DataOpposizione", QStringLiteral("Data di opposizione"));
    campo(Etichette, "Etichette", QStringLiteral("Etichette (separate da virgole)"));
    campo(PartitaIva, "PartitaIva", QStringLiteral("P.IVA"));
    campo(CodiceFiscale, "CodiceFiscale", QStringLiteral("Codice fiscale"));
    campo(Pec, "Pec", QStringLiteral("PEC"));
    campo(CodiceSdi, "CodiceSdi", QStringLiteral("Codice SDI"));
    campo(Referente, "Referente", QStringLiteral("Referente"));
    campo(Telefono, "Telefono", QStringLiteral("Telefono"));
    DataRaccolta->setPlaceholderText(QStringLiteral("AAAA-MM-GG o GG/MM/AAAA"));
    DataOpposizione->setPlaceholderText(
        QStringLiteral("si scrive da sola con \"Non inviare più\""));
    auto* pulsanti = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    modulo->addRow(pulsanti);
    connect(pulsanti, &QDialogButtonBox::accepted, this, &TFSchedaRegistro::Salva);
    connect(pulsanti, &QDialogButtonBox::rejected, this, &QDialog::reject);

    RunGuarded(boxes_, [this] {
        const brivano::TRegistroContatti registro(brivano::PercorsoRegistroContattiConfigurato());
        const brivano::TVoceRegistro voce =
            registro.Leggi(indirizzo_).value_or(brivano::TVoceRegistro{indirizzo_});
        for (int i = 0; i < Base->count(); ++i)
            if (Basi[i] == voce.Base) Base->setCurrentIndex(i);
        Fonte->setText(Q(voce.Fonte));
        DataRaccolta->setText(Q(voce.DataRaccolta));
        Informativa->setText(Q(voce.Informativa));
        DataOpposizione->setText(Q(voce.DataOpposizione));
        Etichette->setText(Q(brivano::TestoEtichette(voce.Etichette)));
        PartitaIva->setText(Q(voce.PartitaIva));
        CodiceFiscale->setText(Q(voce.CodiceFiscale));
        Pec->setText(Q(voce.Pec));
        CodiceSdi->setText(Q(voce.CodiceSdi));
        Referente->setText(Q(voce.Referente));
        Telefono->setText(Q(voce.Telefono));
    });
}

void TFSchedaRegistro::Salva() {
    brivano::TVoceRegistro voce{indirizzo_};
    voce.Base = Basi[std::max(Base->currentIndex(), 0)];
    voce.Fonte = S(Fonte);
    voce.DataRaccolta = S(DataRaccolta);
    voce.Informativa = S(Informativa);
    voce.DataOpposizione = S(DataOpposizione);
    voce.Etichette = brivano::EtichetteDaTesto(S(Etichette));
    voce.PartitaIva = S(PartitaIva);
    voce.CodiceFiscale = S(CodiceFiscale);
    voce.Pec = S(Pec);
    voce.CodiceSdi = S(CodiceSdi);
    voce.Referente = S(Referente);
    voce.Telefono = S(Telefono);
    try {
        brivano::TRegistroContatti(brivano::PercorsoRegistroContattiConfigurato()).Scrivi(voce);
    } catch (const std::exception& e) {
        boxes_.ShowError(e.what());
        return;
    }
    accept();
}
