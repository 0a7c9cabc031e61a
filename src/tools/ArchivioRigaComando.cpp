#include "tools/ArchivioRigaComando.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "archive/Session.h"
#include "archive/TableFile.h"
#include "config/F_Conf.h"
#include "workflow/SequenzaAvvio.h"

namespace brivano {

namespace {

bool AnnoValido(const std::string& anno) {
    return !anno.empty() && anno.size() <= 8 &&
           std::all_of(anno.begin(), anno.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string ConRitorniACapo(std::string testo) {
    std::replace(testo.begin(), testo.end(), '\r', '\n');
    return testo;
}

void TMessaggiSuFlusso::Intestazione() {
    if (detto_) return;
    detto_ = true;
    err_ << "brivano-rubrica: preparazione dell'archivio con i passi dell'avvio del programma\n";
}

void TMessaggiSuFlusso::ShowInfo(const std::string& text) {
    Intestazione();
    err_ << "  " << ConRitorniACapo(text) << '\n';
}

void TMessaggiSuFlusso::ShowError(const std::string& text) {
    Intestazione();
    err_ << "  Errore: " << ConRitorniACapo(ErrorDisplayText(text)) << '\n';
}

TConfirmAnswer TMessaggiSuFlusso::Confirm(const std::string&, const std::string& text) {
    Intestazione();
    err_ << "  " << ConRitorniACapo(text) << " (risposta: No)\n";
    return TConfirmAnswer::No;
}

TArchivioRigaComando::TArchivioRigaComando(const std::string& cartellaProgramma, std::ostream& err)
    : boxes_(err), fdb_(boxes_) {
    bool pronto = false;
    TSequenzaAvvio avvio(fdb_, boxes_, cartellaProgramma,
                         DatiNellaCartellaDelProgramma(cartellaProgramma),
                         [&pronto](const std::string&) { pronto = true; });
    avvio.Esegui();
    // The sequence shows the year only once the tables are bound; a folder
    // problem ends it earlier, after its message.
    if (!pronto) throw std::runtime_error("l'archivio non è pronto (vedere i messaggi sopra)");
}

std::shared_ptr<TTableFile> TArchivioRigaComando::Rubrica(const std::optional<std::string>& anno) {
    const std::string alias = LeggiReg(KeyBrivano, "AliasDB");
    if (anno && *anno != LeggiReg(KeyBrivano, "Anno")) {
        if (!AnnoValido(*anno)) throw std::runtime_error("anno non valido: " + *anno);
        const std::string cartella = CartellaAnno(LeggiReg(KeyBrivano, "PathDatiGen"), *anno);
        std::error_code ec;
        if (!std::filesystem::is_directory(cartella, ec))
            throw std::runtime_error("l'anno " + *anno + " non ha un archivio (" + cartella + ")");
        fdb_.PuntaAlias(alias, cartella);
    }
    return fdb_.Session1.OpenTableFile(alias, LeggiReg(KeyBrivano, "DBRubrica"));
}

}  // namespace brivano
