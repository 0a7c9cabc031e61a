#include "mailing_window/VociDestinatari.h"

#include <QListWidget>
#include <QStringList>
#include <QStyledItemDelegate>

#include "archive/RowCursor.h"

namespace brivano {
namespace {

// The fields ride on the entry, in the order of NomiCampiUnione.
constexpr int kRuoloCampi = Qt::UserRole + 1;

int Posizione(std::string_view nome) {
    for (std::size_t i = 0; i < NomiCampiUnione.size(); ++i)
        if (nome == NomiCampiUnione[i]) return static_cast<int>(i);
    return -1;
}

class TContattoAccanto : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = TestoMostrato(index);
    }
};

}  // namespace

TCampiContatto CampiDellaRiga(const TRowCursor& riga) {
    TCampiContatto campi;
    for (const char* nome : NomiCampiUnione) campi[nome] = riga.FieldValue(nome).value_or("");
    return campi;
}

TCampiContatto CampiDellaRiga(const TRowCursor& elenco, int numero) {
    TCampiContatto campi;
    for (const char* nome : NomiCampiUnione) {
        const int indice = elenco.FieldIndex(nome);
        campi[nome] = indice >= 0 ? elenco.ValueAt(numero, indice).value_or("") : "";
    }
    return campi;
}

QString TestoMostrato(const QModelIndex& voce) {
    QString testo = voce.data(Qt::DisplayRole).toString();
    const QStringList valori = voce.data(kRuoloCampi).toStringList();
    QStringList contatto;
    for (const char* campo : {"Ragione_Sociale", "Citta"}) {
        const int n = Posizione(campo);
        if (n >= 0 && n < valori.size() && !valori[n].trimmed().isEmpty())
            contatto << valori[n].trimmed();
    }
    if (!contatto.isEmpty()) testo += QStringLiteral(" — ") + contatto.join(QStringLiteral(", "));
    return testo;
}

void MostraContattoDelleVoci(QListWidget& lista) {
    lista.setItemDelegate(new TContattoAccanto(&lista));
}

void AggiungiVoce(QListWidget& lista, const std::string& indirizzo, const TCampiContatto& campi) {
    auto* voce = new QListWidgetItem(QString::fromStdString(indirizzo));
    QStringList valori;
    for (const char* nome : NomiCampiUnione) {
        auto it = campi.find(nome);
        valori << QString::fromStdString(it == campi.end() ? std::string() : it->second);
    }
    voce->setData(kRuoloCampi, valori);
    lista.addItem(voce);
}

std::vector<std::string> TestiDelleVoci(const QListWidget& lista) {
    std::vector<std::string> testi;
    for (int i = 0; i < lista.count(); ++i) testi.push_back(lista.item(i)->text().toStdString());
    return testi;
}

std::vector<TCampiContatto> CampiDelleVoci(const QListWidget& lista) {
    std::vector<TCampiContatto> tutti;
    for (int i = 0; i < lista.count(); ++i) {
        const QStringList valori = lista.item(i)->data(kRuoloCampi).toStringList();
        TCampiContatto campi;
        for (int n = 0; n < valori.size() && n < static_cast<int>(NomiCampiUnione.size()); ++n)
            campi[NomiCampiUnione[static_cast<std::size_t>(n)]] = valori[n].toStdString();
        tutti.push_back(std::move(campi));
    }
    return tutti;
}

}  // namespace brivano
