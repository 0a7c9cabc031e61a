#include "workflow/UnioneDoppi.h"

#include <algorithm>

#include "archive/TableFile.h"
#include "text/Testo.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/ScambioRegistro.h"

namespace brivano {

namespace {

// The register's fields by their place after the table's: the basis first.
TCampoRegistro CampoRegistro(std::size_t campo) {
    return static_cast<TCampoRegistro>(campo - NumeroCampi + 1);
}

bool DelRegistro(std::size_t campo) {
    return campo >= NumeroCampi;
}

// Every row of the group as the table holds it now; a row gone raises.
std::vector<TContatto> LeggiRighe(TTableFile& rubrica, const std::vector<long long>& righe) {
    const auto colonne = ColonneContatto(rubrica);
    std::vector<TContatto> contatti;
    const auto valori = rubrica.Rows(righe.data(), righe.size());
    for (std::size_t i = 0; i < righe.size(); ++i) {
        if (std::none_of(valori[i].begin(), valori[i].end(),
                         [](const TFieldValue& v) { return v.has_value(); }))
            throw EUnioneDoppi("Il contatto " + std::to_string(righe[i]) +
                               " non c'è più: cercare di nuovo i duplicati.");
        contatti.push_back(ContattoDaRiga(valori[i], colonne));
        contatti.back().OrdNum = righe[i];
    }
    return contatti;
}

}  // namespace

const char* NomeCampoUnione(std::size_t campo) {
    return DelRegistro(campo) ? NomeCampoRegistro(CampoRegistro(campo))
                              : NomeCampo(TuttiCampi.at(campo));
}

std::string ValoreCampo(const TDoppio& doppio, std::size_t campo) {
    if (!DelRegistro(campo)) return doppio.Contatto[TuttiCampi.at(campo)];
    if (!doppio.Voce) return {};
    const TCampoRegistro c = CampoRegistro(campo);
    if (c == TCampoRegistro::Base && doppio.Voce->Base == TBaseGiuridica::Nessuna) return {};
    return TestoCampo(*doppio.Voce, c);
}

TUnione PreparaUnione(TTableFile& rubrica, const TRegistroContatti* registro,
                      const std::vector<long long>& righe) {
    if (righe.size() < 2) throw EUnioneDoppi("Per unire servono almeno due contatti.");
    TUnione unione;
    for (TContatto& c : LeggiRighe(rubrica, righe)) {
        TDoppio d;
        if (registro && !Trim(c[TCampo::EMail]).empty()) d.Voce = registro->Leggi(c[TCampo::EMail]);
        d.Contatto = std::move(c);
        unione.Doppi.push_back(std::move(d));
    }
    CambiaResta(unione, 0);
    return unione;
}

void CambiaResta(TUnione& unione, std::size_t resta) {
    unione.Resta = std::min(resta, unione.Doppi.size() - 1);
    for (std::size_t campo = 0; campo < NumeroCampiUnione; ++campo) {
        // The one that stays keeps its own values; an empty field takes the first filled.
        std::size_t scelta = unione.Resta;
        if (ValoreCampo(unione.Doppi[scelta], campo).empty())
            for (std::size_t i = 0; i < unione.Doppi.size(); ++i)
                if (!ValoreCampo(unione.Doppi[i], campo).empty()) {
                    scelta = i;
                    break;
                }
        unione.Scelte[campo] = scelta;
    }
}

bool InConflitto(const TUnione& unione, std::size_t campo) {
    std::string primo;
    for (const TDoppio& d : unione.Doppi) {
        const std::string valore = ValoreCampo(d, campo);
        if (valore.empty()) continue;
        if (primo.empty())
            primo = valore;
        else if (valore != primo)
            return true;
    }
    return false;
}

TEsitoUnione RisultatoUnione(const TUnione& unione) {
    TEsitoUnione esito;
    esito.Contatto.OrdNum = unione.Doppi.at(unione.Resta).Contatto.OrdNum;
    for (std::size_t campo = 0; campo < NumeroCampi; ++campo)
        esito.Contatto[TuttiCampi[campo]] =
            ValoreCampo(unione.Doppi.at(unione.Scelte[campo]), campo);
    const std::string& indirizzo = esito.Contatto[TCampo::EMail];
    TVoceRegistro voce{std::string(Trim(indirizzo))};
    bool scelto = false;
    for (std::size_t campo = NumeroCampi; campo < NumeroCampiUnione; ++campo) {
        const std::string valore = ValoreCampo(unione.Doppi.at(unione.Scelte[campo]), campo);
        if (valore.empty()) continue;
        MettiCampo(voce, CampoRegistro(campo), valore);
        scelto = true;
    }
    const bool conVoce = std::any_of(unione.Doppi.begin(), unione.Doppi.end(),
                                     [](const TDoppio& d) { return d.Voce.has_value(); });
    if (!voce.Indirizzo.empty() && (scelto || conVoce)) esito.Voce = std::move(voce);
    return esito;
}

TEsitoUnione EseguiUnione(TTableFile& rubrica, TRegistroContatti& registro, const TUnione& unione) {
    TEsitoUnione esito = RisultatoUnione(unione);
    std::vector<long long> righe;
    for (const TDoppio& d : unione.Doppi) righe.push_back(d.Contatto.OrdNum);

    TWriteBatch batch(rubrica);
    // Someone may have edited the group meanwhile: their work is not overwritten.
    const std::vector<TContatto> ora = LeggiRighe(rubrica, righe);
    for (std::size_t i = 0; i < ora.size(); ++i)
        if (!ora[i].StessiValori(unione.Doppi[i].Contatto))
            throw EUnioneDoppi("Il contatto \"" + ora[i][TCampo::Ragione_Sociale] +
                               "\" è cambiato nel frattempo: cercare di nuovo i duplicati.");

    if (esito.Voce) {
        // An objection stands whatever the merge chose.
        if (const auto prima = registro.Leggi(esito.Voce->Indirizzo);
            prima && !prima->DataOpposizione.empty() && esito.Voce->DataOpposizione.empty())
            esito.Voce->DataOpposizione = prima->DataOpposizione;
        registro.Scrivi(*esito.Voce);
    }

    const auto colonne = ColonneContatto(rubrica);
    std::vector<TFieldValue> riga = rubrica.Rows(&esito.Contatto.OrdNum, 1).front();
    RiempiRiga(esito.Contatto, colonne, riga);
    rubrica.Update(esito.Contatto.OrdNum, riga);
    for (const long long id : righe)
        if (id != esito.Contatto.OrdNum) rubrica.Remove(id);
    batch.Keep();
    return esito;
}

}  // namespace brivano
