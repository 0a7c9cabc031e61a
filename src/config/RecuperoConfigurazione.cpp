#include "config/RecuperoConfigurazione.h"

#include "config/F_Conf.h"

namespace {

std::string Elenco(const std::vector<std::string>& voci) {
    std::string testo;
    for (const std::string& v : voci) testo += (testo.empty() ? "" : ", ") + v;
    return testo;
}

}  // namespace

std::string CompletaConfigurazione(const std::string& keyPath, const TRegRecovery& recupero,
                                   const std::vector<TValoreDiBase>& valoriDiBase) {
    const TRegistryStore store(keyPath);
    std::vector<std::string> riportati;
    for (const TValoreDiBase& v : valoriDiBase) {
        if (store.Read(v.nome)) continue;
        ScriviReg(keyPath, v.nome, v.valore);
        riportati.push_back(v.nome + " = \"" + v.valore + "\"");
    }
    std::vector<std::string> righe;
    for (int n : recupero.damagedLines) righe.push_back(std::to_string(n));
    std::string testo = "La configurazione era danneggiata (" +
                        std::string(righe.size() == 1 ? "riga " : "righe ") + Elenco(righe) +
                        ") ed è stata messa da parte come " + recupero.keptAs.string() +
                        "\r\rValori recuperati: " + Elenco(recupero.recovered);
    if (riportati.empty()) return testo + "\rNessun valore è tornato a quello di base";
    return testo + "\rValori tornati a quelli di base: " + Elenco(riportati);
}
