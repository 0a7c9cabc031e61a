#include "workflow/FileImportazione.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <stdexcept>

#include "workflow/CodificaTesto.h"
#include "workflow/LetturaCsv.h"
#include "workflow/LetturaVCard.h"
#include "workflow/MappaturaCampi.h"
#include "workflow/PagineGrandi.h"
#include "workflow/Piegatura.h"

namespace brivano {

namespace {

bool Vuoto(const std::vector<std::string>& campi) {
    for (const std::string& c : campi)
        if (!c.empty()) return false;
    return true;
}

std::string ElencoCampi() {
    std::string elenco;
    for (TCampo c : TuttiCampi) elenco += std::string(elenco.empty() ? "" : ", ") + NomeCampo(c);
    return elenco;
}

TFileImportazione LeggiCsvContatti(std::string_view testo) {
    TFileImportazione file;
    file.Formato = TFormatoFile::Csv;
    file.Separatore = RilevaSeparatore(testo);
    // About one row a line: reserved once instead of regrown.
    file.Righe.reserve(static_cast<std::size_t>(std::count(testo.begin(), testo.end(), '\n')));
    ChiediPagineGrandi(file.Righe.data(), file.Righe.capacity() * sizeof(TRigaImportata));
    bool intestazione = true;
    // A short row leaves its missing columns empty; they are the file's all the same.
    std::array<bool, NumeroCampi> presenti{};
    LeggiCsv(testo, file.Separatore, [&file, &intestazione, &presenti](TRecordCsv& record) {
        if (intestazione) {
            intestazione = false;
            file.Intestazione = std::move(record.Campi);
            file.Mappa = MappaIntestazione(file.Intestazione);
            for (const auto& campo : file.Mappa)
                if (campo) presenti[static_cast<std::size_t>(*campo)] = true;
            if (presenti == std::array<bool, NumeroCampi>{})
                throw ECsvNonValido(
                    "Nessuna colonna dell'intestazione corrisponde a un campo (nomi attesi: " +
                    ElencoCampi() + ")");
            return;
        }
        if (Vuoto(record.Campi)) return;  // blank lines
        const std::size_t colonne = file.Intestazione.size();
        // Filled in place, without a row built aside and moved in.
        TRigaImportata& riga = file.Righe.emplace_back();
        riga.Riga = record.Riga;
        riga.Presenti = presenti;
        for (std::size_t c = 0; c < record.Campi.size(); ++c) {
            if (c >= colonne) {
                if (!record.Campi[c].empty() && riga.Errore.empty())
                    riga.Errore = "ha " + std::to_string(record.Campi.size()) +
                                  " campi, l'intestazione " + std::to_string(colonne);
                continue;
            }
            if (!file.Mappa[c]) continue;
            riga.Contatto[*file.Mappa[c]] = std::move(record.Campi[c]);
        }
    });
    if (intestazione) throw ECsvNonValido("Il file è vuoto");
    return file;
}

TFileImportazione LeggiVCardContatti(std::string_view testo) {
    TFileImportazione file;
    file.Formato = TFormatoFile::VCard;
    for (TSchedaVCard& scheda : LeggiVCard(testo)) {
        TRigaImportata riga;
        riga.Riga = scheda.Linea;
        riga.Contatto = std::move(scheda.Contatto);
        riga.Presenti = scheda.Presenti;
        file.Righe.push_back(std::move(riga));
    }
    return file;
}

}  // namespace

TFormatoFile FormatoDelFile(const std::filesystem::path& percorso, std::string_view inizio) {
    const std::string estensione = Piega(percorso.extension().string());
    if (estensione == ".vcf" || estensione == ".vcard") return TFormatoFile::VCard;
    std::size_t i = inizio.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (i < inizio.size() && static_cast<unsigned char>(inizio[i]) <= 32) ++i;
    return Piega(inizio.substr(i, 11)) == "begin:vcard" ? TFormatoFile::VCard : TFormatoFile::Csv;
}

TFileImportazione LeggiImportazione(std::string_view bytes, TFormatoFile formato) {
    std::string convertito, codifica;
    const std::string_view testo = DecodificaTesto(bytes, convertito, codifica);
    TFileImportazione file =
        formato == TFormatoFile::VCard ? LeggiVCardContatti(testo) : LeggiCsvContatti(testo);
    file.Codifica = std::move(codifica);
    return file;
}

std::string LeggiFile(const std::filesystem::path& percorso) {
    std::ifstream in(percorso, std::ios::binary);
    if (!in) throw std::runtime_error("Impossibile aprire il file " + percorso.string());
    // Straight into the string as far as the size goes, then in blocks for
    // what a file still growing, or a pipe without a size, has beyond it.
    std::string testo;
    in.seekg(0, std::ios::end);
    const std::streamoff dimensione = in.tellg();
    in.clear();
    in.seekg(0, std::ios::beg);
    in.clear();
    if (dimensione > 0) {
        testo.reserve(static_cast<std::size_t>(dimensione));
        ChiediPagineGrandi(testo.data(), testo.capacity());
        testo.resize(static_cast<std::size_t>(dimensione));
        in.read(testo.data(), dimensione);
        testo.resize(static_cast<std::size_t>(in.gcount()));
    }
    std::array<char, 1 << 16> blocco{};
    while (in && (in.read(blocco.data(), blocco.size()) || in.gcount() > 0))
        testo.append(blocco.data(), static_cast<std::size_t>(in.gcount()));
    if (in.bad()) throw std::runtime_error("Errore di lettura del file " + percorso.string());
    return testo;
}

}  // namespace brivano
