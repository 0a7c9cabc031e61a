#include "workflow/ContattiArchivio.h"

#include <strings.h>

#include "archive/ArchiveError.h"
#include "archive/TableFile.h"

namespace brivano {

std::array<std::size_t, NumeroCampi> ColonneContatto(const TTableFile& tabella) {
    std::array<std::size_t, NumeroCampi> colonne{};
    const std::vector<std::string>& nomi = tabella.ColumnNames();
    for (TCampo campo : TuttiCampi) {
        std::size_t trovata = nomi.size();
        for (std::size_t i = 0; i < nomi.size(); ++i)
            if (strcasecmp(nomi[i].c_str(), NomeColonna(campo)) == 0) trovata = i;
        if (trovata == nomi.size())
            throw EArchiveError("Field '" + std::string(NomeColonna(campo)) + "' not found");
        colonne[static_cast<std::size_t>(campo)] = trovata;
    }
    return colonne;
}

TContatto ContattoDaRiga(const std::vector<TFieldValue>& riga,
                         const std::array<std::size_t, NumeroCampi>& colonne) {
    TContatto contatto;
    for (TCampo campo : TuttiCampi) {
        const TFieldValue& valore = riga.at(colonne[static_cast<std::size_t>(campo)]);
        contatto[campo] = valore.value_or("");
    }
    return contatto;
}

std::vector<TFieldValue> RigaDaContatto(const TContatto& contatto, std::size_t numeroColonne,
                                        const std::array<std::size_t, NumeroCampi>& colonne) {
    std::vector<TFieldValue> riga(numeroColonne);
    RiempiRiga(contatto, colonne, riga);
    return riga;
}

void RiempiRiga(const TContatto& contatto, const std::array<std::size_t, NumeroCampi>& colonne,
                std::vector<TFieldValue>& riga) {
    for (TCampo campo : TuttiCampi) {
        TFieldValue& valore = riga[colonne[static_cast<std::size_t>(campo)]];
        const std::string& testo = contatto[campo];
        if (testo.empty())
            valore.reset();
        else if (valore)
            valore->assign(testo);
        else
            valore.emplace(testo);
    }
}

std::vector<TContatto> LeggiContatti(TTableFile& tabella) {
    const auto colonne = ColonneContatto(tabella);
    std::vector<TContatto> contatti;
    auto righe = tabella.OrderedRows(NomeColonna(TCampo::Ragione_Sociale), false);
    long long id = 0;
    std::vector<TFieldValue> valori;
    while (righe->Next(id, &valori)) {
        contatti.push_back(ContattoDaRiga(valori, colonne));
        contatti.back().OrdNum = id;
    }
    return contatti;
}

}  // namespace brivano
