#include "workflow/DuplicatiAnni.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "archive/F_DB.h"
#include "archive/TableFile.h"
#include "config/F_Conf.h"
#include "workflow/ConfermaAnno.h"
#include "workflow/ContattiArchivio.h"

namespace brivano {

std::vector<std::string> AnniConRubrica(const std::string& radiceDati,
                                        const std::string& fileRubrica) {
    // The year is joined to the root as plain text: "/dati" gives "/dati2010/".
    const std::filesystem::path radice(radiceDati);
    const std::string prefisso = radice.filename().string();
    std::vector<std::string> anni;
    std::error_code ec;
    for (const auto& voce : std::filesystem::directory_iterator(radice.parent_path(), ec)) {
        const std::string nome = voce.path().filename().string();
        if (nome.size() <= prefisso.size() || nome.compare(0, prefisso.size(), prefisso) != 0)
            continue;
        const std::string anno = nome.substr(prefisso.size());
        if (AnnoValido(anno) &&
            std::filesystem::is_regular_file(
                std::filesystem::path(CartellaAnno(radiceDati, anno)) / fileRubrica, ec))
            anni.push_back(anno);
    }
    std::sort(anni.begin(), anni.end());
    return anni;
}

std::vector<TGruppoDoppiAnni> TrovaDuplicatiAnni(
    const std::vector<std::pair<std::string, std::vector<TContatto>>>& anni,
    const TRegistroContatti* registro) {
    std::vector<TContattoAnni> distinti;
    std::map<decltype(TContatto::Valori), std::size_t> posto;
    for (const auto& [anno, contatti] : anni)
        for (const TContatto& c : contatti) {
            const auto [dove, nuovo] = posto.try_emplace(c.Valori, distinti.size());
            if (nuovo) distinti.push_back({c, {}});
            std::vector<std::string>& visti = distinti[dove->second].Anni;
            if (visti.empty() || visti.back() != anno) visti.push_back(anno);
        }
    std::vector<TContatto> soli;
    soli.reserve(distinti.size());
    for (const TContattoAnni& d : distinti) soli.push_back(d.Contatto);
    std::vector<TGruppoDoppiAnni> gruppi;
    for (const TGruppoDoppi& g : TrovaDuplicati(soli, registro)) {
        TGruppoDoppiAnni gruppo{g.Motivo, g.Chiave, {}};
        for (const std::size_t i : g.Contatti) gruppo.Contatti.push_back(distinti[i]);
        gruppi.push_back(std::move(gruppo));
    }
    return gruppi;
}

std::vector<TGruppoDoppiAnni> DuplicatiDiTuttiGliAnni(TFDB& fdb,
                                                      const TRegistroContatti* registro) {
    const std::string radice = LeggiReg(KeyBrivano, "PathDatiGen");
    const std::string file = LeggiReg(KeyBrivano, "DBRubrica");
    std::vector<std::pair<std::string, std::vector<TContatto>>> anni;
    for (const std::string& anno : AnniConRubrica(radice, file)) {
        const auto tabella = TTableFile::Open(CartellaAnno(radice, anno) + file);
        tabella->RequireAccess(fdb.Session1.Passwords());
        anni.emplace_back(anno, LeggiContatti(*tabella));
    }
    return TrovaDuplicatiAnni(anni, registro);
}

}  // namespace brivano
