#include "workflow/ConfermaAnno.h"

#include <filesystem>
#include <vector>

#include "archive/F_DB.h"
#include "config/F_Conf.h"
#include "dialogs/MessageBoxes.h"

namespace brivano {

namespace {

namespace fs = std::filesystem;

constexpr const char* AnnoNonValido = "ANNO DI LAVORO NON VALIDO";
constexpr const char* CreazioneFallita =
    "       ERRORE NELLA CREZIONE\r\rDEL PERCORSO DEI DATI DI LAVORO";
constexpr const char* DatiAssente = "Archivio Dati - Assente - Premere OK per Crearlo";
constexpr const char* RubricaAssente = "Archivio Rubrica- Assente - Premere OK per Crearlo";
constexpr const char* SchedaInSospeso =
    "ATTENZIONE - SCHEDA NON SALVATA\r\rLa scheda corrente non e' stata salvata.\r\r"
    "Salvarla nell'anno di lavoro attuale?";

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// A year change to a year without archive: after the refusal, the way on is
// offered at once (when the data root is there to hold the new folder).
bool OffriCreazione(TMessageBoxes& boxes, const std::string& cartella, const std::string& anno) {
    boxes.ShowInfo(AnnoNonValido);
    if (!IsFolder(fs::path(cartella).parent_path().parent_path().string())) return false;
    return boxes.Ask(DomandaCreazione(anno)) == TConfirmAnswer::Yes;
}

// The year folder exists afterwards, or a message said why not.
bool PreparaCartella(TMessageBoxes& boxes, const std::string& cartella, const std::string& anno,
                     TComandoAnno comando) {
    if (IsFolder(cartella)) return true;
    if (comando == TComandoAnno::CambioAnno && !OffriCreazione(boxes, cartella, anno)) return false;
    std::error_code ec;
    fs::create_directory(cartella, ec);  // one level: a missing data root stays missing
    if (IsFolder(cartella)) return true;
    boxes.ShowInfo(CreazioneFallita);
    return false;
}

// Creates the table when its file is missing, after saying so; true when it did.
bool CreaSeAssente(TFDB& fdb, TMessageBoxes& boxes, const std::string& alias,
                   const std::string& cartella, const std::string& file, const char* messaggio,
                   const char* definizione) {
    if (IsFile(cartella + file)) return false;
    boxes.ShowInfo(messaggio);
    fdb.CreaTabella(alias, file, definizione);
    return true;
}

// The address table left open (its window closed by the close box) would keep
// showing, and saving into, the old year: a pending contact is saved or dropped
// as the user says, then the table is closed so its next opening follows the alias.
void LasciaRubrica(TFDB& fdb, TMessageBoxes& boxes) {
    TTableCursor& rubrica = fdb.T_Rubrica;
    if (!rubrica.Active()) return;
    const TCursorState state = rubrica.State();
    if (state == TCursorState::Editing || state == TCursorState::Inserting) {
        if (boxes.Ask(SchedaInSospeso) == TConfirmAnswer::Yes)
            rubrica.Post();
        else
            rubrica.Cancel();
    }
    rubrica.Close();
}

}  // namespace

std::string DomandaCreazione(const std::string& anno) {
    return "L'archivio dell'anno " + anno + " non esiste.\r\rCrearlo e passare a quello?";
}

bool AnnoValido(const std::string& anno) {
    return !anno.empty() && anno != "." && anno != ".." &&
           anno.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

bool ConfermaAnno(TFDB& fdb, TMessageBoxes& boxes, const std::string& anno, TComandoAnno comando,
                  const std::function<void(const std::string&)>& mostraAnno) {
    if (!AnnoValido(anno)) {
        boxes.ShowInfo(AnnoNonValido);
        return false;
    }
    const std::string cartella = CartellaAnno(LeggiReg(KeyBrivano, "PathDatiGen"), anno);
    if (!PreparaCartella(boxes, cartella, anno, comando)) return false;

    LasciaRubrica(fdb, boxes);
    const std::string alias = LeggiReg(KeyBrivano, "AliasDB");
    fdb.PuntaAlias(alias, cartella);

    // A new year gets a working address book at once, not only after a restart.
    std::vector<std::string> creati;
    const std::string dbBrivano = LeggiReg(KeyBrivano, "DBBrivano");
    if (CreaSeAssente(fdb, boxes, alias, cartella, dbBrivano, DatiAssente, DefinizioneDativo))
        creati.push_back(dbBrivano);
    const std::string dbRubrica = LeggiReg(KeyBrivano, "DBRubrica");
    if (CreaSeAssente(fdb, boxes, alias, cartella, dbRubrica, RubricaAssente, DefinizioneRubrica))
        creati.push_back(dbRubrica);

    // T_Rubrica is left bound as it is: it reaches the new folder through the alias.
    fdb.LegaQuery(alias);
    fdb.LegaTabella(fdb.T_Dativo, alias, dbBrivano);

    ScriviReg(KeyBrivano, "Anno", anno);
    for (const std::string& file : creati) fdb.ProteggiTabella(file, MasterPassword, cartella);
    mostraAnno(LeggiReg(KeyBrivano, "Anno"));
    return true;
}

}  // namespace brivano
