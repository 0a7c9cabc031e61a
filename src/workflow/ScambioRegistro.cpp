#include "workflow/ScambioRegistro.h"

#include <array>
#include <fstream>
#include <vector>

#include "text/Testo.h"
#include "workflow/CodificaTesto.h"
#include "workflow/Esportazione.h"
#include "workflow/FileImportazione.h"
#include "workflow/FormaIndirizzo.h"
#include "workflow/LetturaCsv.h"
#include "workflow/NonInviare.h"
#include "workflow/Piegatura.h"
#include "workflow/RegistroInvii.h"

namespace brivano {

namespace {

constexpr std::array<const char*, 15> IntestazioneCsv = {
    "E-mail",           "Base giuridica", "Fonte",       "Data raccolta",  "Informativa",
    "Data opposizione", "Etichette",      "Partita IVA", "Codice fiscale", "PEC",
    "Codice SDI",       "Referente",      "Telefono",    "Ultimo invio",   "Invii"};

struct TNomeColonna {
    const char* Nome;  // folded, without blanks, dots, hyphens or underscores
    TCampoRegistro Campo;
};

constexpr TNomeColonna NomiColonne[] = {
    {"email", TCampoRegistro::Indirizzo},
    {"mail", TCampoRegistro::Indirizzo},
    {"indirizzoemail", TCampoRegistro::Indirizzo},
    {"emailaddress", TCampoRegistro::Indirizzo},
    {"basegiuridica", TCampoRegistro::Base},
    {"base", TCampoRegistro::Base},
    {"basegiuridicadeltrattamento", TCampoRegistro::Base},
    {"legalbasis", TCampoRegistro::Base},
    {"fonte", TCampoRegistro::Fonte},
    {"origine", TCampoRegistro::Fonte},
    {"provenienza", TCampoRegistro::Fonte},
    {"source", TCampoRegistro::Fonte},
    {"dataraccolta", TCampoRegistro::DataRaccolta},
    {"dataconsenso", TCampoRegistro::DataRaccolta},
    {"datadelconsenso", TCampoRegistro::DataRaccolta},
    {"consentdate", TCampoRegistro::DataRaccolta},
    {"informativa", TCampoRegistro::Informativa},
    {"versioneinformativa", TCampoRegistro::Informativa},
    {"dataopposizione", TCampoRegistro::DataOpposizione},
    {"etichette", TCampoRegistro::Etichette},
    {"etichetta", TCampoRegistro::Etichette},
    {"tag", TCampoRegistro::Etichette},
    {"tags", TCampoRegistro::Etichette},
    {"categorie", TCampoRegistro::Etichette},
    {"categories", TCampoRegistro::Etichette},
    {"partitaiva", TCampoRegistro::PartitaIva},
    {"piva", TCampoRegistro::PartitaIva},
    {"partitaivaita", TCampoRegistro::PartitaIva},
    {"vat", TCampoRegistro::PartitaIva},
    {"vatnumber", TCampoRegistro::PartitaIva},
    {"codicefiscale", TCampoRegistro::CodiceFiscale},
    {"cf", TCampoRegistro::CodiceFiscale},
    {"pec", TCampoRegistro::Pec},
    {"emailpec", TCampoRegistro::Pec},
    {"indirizzopec", TCampoRegistro::Pec},
    {"codicesdi", TCampoRegistro::CodiceSdi},
    {"sdi", TCampoRegistro::CodiceSdi},
    {"codicedestinatario", TCampoRegistro::CodiceSdi},
    {"codiceunivoco", TCampoRegistro::CodiceSdi},
    {"referente", TCampoRegistro::Referente},
    {"personadicontatto", TCampoRegistro::Referente},
    {"contactperson", TCampoRegistro::Referente},
    {"telefono", TCampoRegistro::Telefono},
    {"tel", TCampoRegistro::Telefono},
    {"cellulare", TCampoRegistro::Telefono},
    {"phone", TCampoRegistro::Telefono},
};

std::string NomePulito(std::string_view intestazione) {
    std::string pulito;
    for (const char c : Piega(Trim(intestazione)))
        if (c != ' ' && c != '.' && c != '-' && c != '_') pulito += c;
    return pulito;
}

void Riga(std::string& out, const std::vector<std::string>& campi) {
    for (std::size_t i = 0; i < campi.size(); ++i) {
        if (i > 0) out += ';';
        AggiungiCampoCsv(out, campi[i], ';');
    }
    out += "\r\n";
}

}  // namespace

std::vector<TVoceRegistro> VociDaEsportare(const TRegistroContatti& registro,
                                           const TNonInviare& nonInviare) {
    std::vector<TVoceRegistro> voci = registro.Elenco();
    std::map<std::string, std::size_t> posto;
    for (std::size_t i = 0; i < voci.size(); ++i) posto[ChiaveIndirizzo(voci[i].Indirizzo)] = i;
    for (const TVoceNonInviare& n : nonInviare.Elenco()) {
        const std::string giorno = n.Aggiunto.substr(0, 10);
        const auto i = posto.find(n.Normale);
        if (i == posto.end()) {
            TVoceRegistro nuova{n.Indirizzo};
            nuova.DataOpposizione = giorno;
            posto[n.Normale] = voci.size();
            voci.push_back(std::move(nuova));
        } else if (voci[i->second].DataOpposizione.empty()) {
            voci[i->second].DataOpposizione = giorno;
        }
    }
    return voci;
}

TInviiPerIndirizzo InviiPerIndirizzo(const TRegistroInvii& registro) {
    TInviiPerIndirizzo invii;
    for (const TSpedizioneRegistrata& s : registro.Spedizioni())
        for (const TVoceRegistrata& v : registro.Voci(s.Id)) {
            if (v.Stato != TStatoVoce::Inviato) continue;
            TInviiIndirizzo& i = invii[v.Chiave.empty() ? ChiaveIndirizzo(v.Voce) : v.Chiave];
            ++i.Quanti;
            if (v.Aggiornata > i.Ultimo) i.Ultimo = v.Aggiornata;
        }
    return invii;
}

std::string TestoCsvRegistro(const std::vector<TVoceRegistro>& voci,
                             const TInviiPerIndirizzo& invii) {
    std::string out = "\xEF\xBB\xBF";
    Riga(out, {IntestazioneCsv.begin(), IntestazioneCsv.end()});
    for (const TVoceRegistro& v : voci) {
        const auto i = invii.find(ChiaveIndirizzo(v.Indirizzo));
        const TInviiIndirizzo nessuno;
        const TInviiIndirizzo& inviati = i == invii.end() ? nessuno : i->second;
        Riga(out, {v.Indirizzo, NomeBase(v.Base), v.Fonte, v.DataRaccolta, v.Informativa,
                   v.DataOpposizione, TestoEtichette(v.Etichette), v.PartitaIva, v.CodiceFiscale,
                   v.Pec, v.CodiceSdi, v.Referente, v.Telefono, inviati.Ultimo,
                   std::to_string(inviati.Quanti)});
    }
    return out;
}

std::optional<TCampoRegistro> CampoRegistroDaIntestazione(std::string_view intestazione) {
    const std::string pulito = NomePulito(intestazione);
    for (const TNomeColonna& n : NomiColonne)
        if (pulito == n.Nome) return n.Campo;
    return std::nullopt;
}

bool MettiCampo(TVoceRegistro& voce, TCampoRegistro campo, const std::string& valore) {
    switch (campo) {
        case TCampoRegistro::Indirizzo:
            voce.Indirizzo = valore;
            break;
        case TCampoRegistro::Base: {
            const auto base = BaseDaTesto(valore);
            if (!base) return false;
            voce.Base = *base;
            break;
        }
        case TCampoRegistro::Fonte:
            voce.Fonte = valore;
            break;
        case TCampoRegistro::DataRaccolta:
            voce.DataRaccolta = valore;
            break;
        case TCampoRegistro::Informativa:
            voce.Informativa = valore;
            break;
        case TCampoRegistro::DataOpposizione:
            voce.DataOpposizione = valore;
            break;
        case TCampoRegistro::Etichette:
            voce.Etichette = EtichetteDaTesto(valore);
            break;
        case TCampoRegistro::PartitaIva:
            voce.PartitaIva = valore;
            break;
        case TCampoRegistro::CodiceFiscale:
            voce.CodiceFiscale = valore;
            break;
        case TCampoRegistro::Pec:
            voce.Pec = valore;
            break;
        case TCampoRegistro::CodiceSdi:
            voce.CodiceSdi = valore;
            break;
        case TCampoRegistro::Referente:
            voce.Referente = valore;
            break;
        case TCampoRegistro::Telefono:
            voce.Telefono = valore;
            break;
    }
    return true;
}

std::string TestoCampo(const TVoceRegistro& voce, TCampoRegistro campo) {
    switch (campo) {
        case TCampoRegistro::Indirizzo:
            return voce.Indirizzo;
        case TCampoRegistro::Base:
            return NomeBase(voce.Base);
        case TCampoRegistro::Fonte:
            return voce.Fonte;
        case TCampoRegistro::DataRaccolta:
            return voce.DataRaccolta;
        case TCampoRegistro::Informativa:
            return voce.Informativa;
        case TCampoRegistro::DataOpposizione:
            return voce.DataOpposizione;
        case TCampoRegistro::Etichette:
            return TestoEtichette(voce.Etichette);
        case TCampoRegistro::PartitaIva:
            return voce.PartitaIva;
        case TCampoRegistro::CodiceFiscale:
            return voce.CodiceFiscale;
        case TCampoRegistro::Pec:
            return voce.Pec;
        case TCampoRegistro::CodiceSdi:
            return voce.CodiceSdi;
        case TCampoRegistro::Referente:
            return voce.Referente;
        case TCampoRegistro::Telefono:
            return voce.Telefono;
    }
    return {};
}

const char* NomeCampoRegistro(TCampoRegistro campo) {
    return IntestazioneCsv.at(static_cast<std::size_t>(campo));
}

namespace {

std::vector<TRecordCsv> RecordRegistro(const std::string& testo) {
    try {
        return LeggiCsv(testo, RilevaSeparatore(testo));
    } catch (const ECsvNonValido& e) {
        throw ERegistroContatti(std::string("File CSV non valido: ") + e.what());
    }
}

// Whether some stretch of a vCard file, read a megabyte at a time and cut
// only before a line that does not continue the one before, names a
// register field; a file of contacts alone is never held whole for this.
bool RegistroInQualcheBlocco(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string blocco;
    std::vector<char> letti(std::size_t{1} << 20);
    // Ends at the file's end: a read there gives nothing.
    for (;;) {
        in.read(letti.data(), static_cast<std::streamsize>(letti.size()));
        const auto n = static_cast<std::size_t>(in.gcount());
        blocco.append(letti.data(), n);
        std::size_t taglio = n == 0 ? blocco.size() : 0;
        for (std::size_t i = blocco.size(); taglio == 0 && i > 1; --i)
            if (blocco[i - 2] == '\n' && blocco[i - 1] != ' ' && blocco[i - 1] != '\t')
                taglio = i - 1;
        if (VCardConRegistro(DecodificaTesto(std::string_view(blocco).substr(0, taglio)).Testo))
            return true;
        blocco.erase(0, taglio);
        if (n == 0) break;
    }
    return false;
}

}  // namespace

std::optional<TEsitoImportazioneRegistro> ImportaRegistroDaFile(const std::filesystem::path& file) {
    // A CSV's header decides, so the whole of a plain contact file is not
    // held here; a vCard may name register fields on any card.
    std::string testa(std::size_t{1} << 16, '\0');
    {
        std::ifstream in(file, std::ios::binary);
        in.read(testa.data(), static_cast<std::streamsize>(testa.size()));
        testa.resize(static_cast<std::size_t>(in.gcount()));
    }
    if (FormatoDelFile(file, testa) != TFormatoFile::Csv) {
        if (testa.find('\0') == std::string::npos && !RegistroInQualcheBlocco(file))
            return std::nullopt;
        const std::string bytes = LeggiFile(file);
        if (!VCardConRegistro(DecodificaTesto(bytes).Testo)) return std::nullopt;
        TRegistroContatti registro(PercorsoRegistroContattiConfigurato());
        return ImportaRegistro(registro, bytes);
    }
    // A header longer than that, or in UTF-16, is read with the whole file.
    const std::size_t a = testa.find('\n');
    const bool intero = a == std::string::npos || testa.find('\0') != std::string::npos;
    const std::string testo =
        DecodificaTesto(intero ? LeggiFile(file) : testa.substr(0, a + 1)).Testo;
    const std::size_t fineRiga = testo.find_first_of("\r\n");
    const std::string prima = testo.substr(0, fineRiga);
    bool indirizzo = false, altre = false;
    for (const TRecordCsv& r : RecordRegistro(prima))
        for (const std::string& intestazione : r.Campi) {
            const auto campo = CampoRegistroDaIntestazione(intestazione);
            indirizzo = indirizzo || campo == TCampoRegistro::Indirizzo;
            altre = altre || (campo && campo != TCampoRegistro::Indirizzo);
        }
    if (!indirizzo || !altre) return std::nullopt;
    TRegistroContatti registro(PercorsoRegistroContattiConfigurato());
    return ImportaRegistro(registro, LeggiFile(file));
}

std::string TestoEsitoRegistro(const TEsitoImportazioneRegistro& esito) {
    if (esito.Errori.empty())
        return "Registro dei contatti: " + std::to_string(esito.Scritte) + " voci scritte.";
    std::string testo = "Registro dei contatti: nessuna voce scritta, il file ha errori:";
    for (const std::string& e : esito.Errori) testo += "\n" + e;
    return testo;
}

TEsitoImportazioneRegistro ImportaRegistro(TRegistroContatti& registro, std::string_view bytes) {
    const std::string testo = DecodificaTesto(bytes).Testo;
    if (FormatoDelFile({}, testo) == TFormatoFile::VCard) {
        TVociLette lette = VociDaVCard(testo, &registro);
        TEsitoImportazioneRegistro esito;
        esito.Errori = std::move(lette.Errori);
        std::vector<TVoceRegistro> voci;
        for (std::size_t i = 0; i < lette.Voci.size(); ++i) {
            TVoceControllata controllata = ControllaVoce(std::move(lette.Voci[i]));
            for (const std::string& e : controllata.Errori)
                esito.Errori.push_back("scheda della riga " + std::to_string(lette.Linee[i]) +
                                       ": " + e);
            voci.push_back(std::move(controllata.Voce));
        }
        if (!esito.Errori.empty()) return esito;
        registro.ScriviTutte(voci);
        esito.Scritte = static_cast<int>(voci.size());
        return esito;
    }
    std::vector<TRecordCsv> record = RecordRegistro(testo);
    if (record.empty()) throw ERegistroContatti("Il file è vuoto");
    std::vector<std::optional<TCampoRegistro>> colonne;
    bool conIndirizzo = false;
    for (const std::string& intestazione : record.front().Campi) {
        colonne.push_back(CampoRegistroDaIntestazione(intestazione));
        conIndirizzo = conIndirizzo || colonne.back() == TCampoRegistro::Indirizzo;
    }
    if (!conIndirizzo)
        throw ERegistroContatti("Il file non ha una colonna dell'indirizzo e-mail (\"E-mail\")");
    TEsitoImportazioneRegistro esito;
    std::vector<TVoceRegistro> voci;
    for (std::size_t r = 1; r < record.size(); ++r) {
        TRecordCsv& riga = record[r];
        // The apostrophe an export puts before a value a spreadsheet would run.
        for (std::string& valore : riga.Campi)
            if (!valore.empty() && valore[0] == '\'' && SembraFormula(valore)) valore.erase(0, 1);
        const std::string numero = "riga " + std::to_string(riga.Riga) + ": ";
        std::string indirizzo;
        for (std::size_t c = 0; c < colonne.size() && c < riga.Campi.size(); ++c)
            if (colonne[c] == TCampoRegistro::Indirizzo) indirizzo = riga.Campi[c];
        if (Trim(indirizzo).empty()) {
            esito.Errori.push_back(numero + "manca l'indirizzo e-mail");
            continue;
        }
        TVoceRegistro voce = registro.Leggi(indirizzo).value_or(TVoceRegistro{});
        for (std::size_t c = 0; c < colonne.size() && c < riga.Campi.size(); ++c)
            if (colonne[c] && !MettiCampo(voce, *colonne[c], riga.Campi[c]))
                esito.Errori.push_back(numero + "base giuridica sconosciuta: " + riga.Campi[c]);
        TVoceControllata controllata = ControllaVoce(std::move(voce));
        for (const std::string& e : controllata.Errori) esito.Errori.push_back(numero + e);
        voci.push_back(std::move(controllata.Voce));
    }
    if (!esito.Errori.empty()) return esito;
    registro.ScriviTutte(voci);
    esito.Scritte = static_cast<int>(voci.size());
    return esito;
}

}  // namespace brivano
