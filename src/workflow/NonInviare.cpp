#include "workflow/NonInviare.h"

#include "config/F_Conf.h"
#include "text/Testo.h"
#include "workflow/Piegatura.h"

namespace brivano {

std::filesystem::path PercorsoNonInviare(const std::string& pathDatiGen) {
    return std::filesystem::path(pathDatiGen) / FileNonInviare;
}

std::filesystem::path PercorsoNonInviareConfigurato() {
    const std::string radice = LeggiReg(KeyBrivano, "PathDatiGen");
    if (radice.empty())
        throw ENonInviare("La configurazione non indica la cartella dei dati (PathDatiGen)");
    return PercorsoNonInviare(radice);
}

namespace {

TOpzioniBaseDati OpzioniElenco() {
    TOpzioniBaseDati opzioni;
    opzioni.Crea = true;
    opzioni.UnSoloFilo = true;
    opzioni.Solleva = [](const EBaseDati& e) { throw ENonInviare(e); };
    return opzioni;
}

}  // namespace

TNonInviare::TNonInviare(const std::filesystem::path& percorso) : db_(percorso, OpzioniElenco()) {
    db_.Esegui(
        "CREATE TABLE IF NOT EXISTS non_inviare ("
        "normalizzato TEXT PRIMARY KEY, indirizzo TEXT NOT NULL, aggiunto TEXT NOT NULL)");
    // Lists written before reasons were kept get the columns, empty.
    TComandoSql colonne(db_, "SELECT 1 FROM pragma_table_info('non_inviare') WHERE name='motivo'");
    if (!colonne.Passo())
        db_.Esegui(
            "ALTER TABLE non_inviare ADD COLUMN motivo TEXT NOT NULL DEFAULT '';"
            "ALTER TABLE non_inviare ADD COLUMN prova TEXT NOT NULL DEFAULT ''");
}

TNonInviare::~TNonInviare() = default;

bool TNonInviare::Aggiungi(std::string_view indirizzo) {
    return Aggiungi(indirizzo, "", "");
}

bool TNonInviare::Aggiungi(std::string_view indirizzo, std::string_view motivo,
                           std::string_view prova) {
    const std::string chiave = NormalizzaIndirizzo(indirizzo);
    if (chiave.empty()) return false;
    TComandoSql st(db_,
                   "INSERT OR IGNORE INTO non_inviare(normalizzato, indirizzo, aggiunto, motivo, "
                   "prova) VALUES (?, ?, strftime('%Y-%m-%d %H:%M:%S', 'now'), ?, ?)");
    st.Testo(1, chiave).Testo(2, Trim(indirizzo)).Testo(3, motivo).Testo(4, prova).Esegui();
    return db_.Modificate() > 0;
}

TEsitoAggiunta TNonInviare::AggiungiTesto(std::string_view righe) {
    TEsitoAggiunta esito;
    TTransazione t(db_);
    std::size_t i = 0;
    while (i <= righe.size()) {
        std::size_t fine = righe.find_first_of("\r\n", i);
        if (fine == std::string_view::npos) fine = righe.size();
        const std::string_view riga = righe.substr(i, fine - i);
        if (!Trim(riga).empty()) {
            if (Aggiungi(riga))
                ++esito.Aggiunti;
            else
                ++esito.GiaPresenti;
        }
        i = fine + 1;
    }
    t.Conferma();
    return esito;
}

bool TNonInviare::Togli(std::string_view indirizzo) {
    TComandoSql st(db_, "DELETE FROM non_inviare WHERE normalizzato = ?");
    st.Testo(1, NormalizzaIndirizzo(indirizzo)).Esegui();
    return db_.Modificate() > 0;
}

bool TNonInviare::Contiene(std::string_view indirizzo) const {
    const std::string chiave = NormalizzaIndirizzo(indirizzo);
    if (chiave.empty()) return false;
    TComandoSql st(db_, "SELECT 1 FROM non_inviare WHERE normalizzato = ?");
    st.Testo(1, chiave);
    return st.Passo();
}

std::vector<TVoceNonInviare> TNonInviare::Elenco() const {
    std::vector<TVoceNonInviare> voci;
    TComandoSql st(
        db_, "SELECT indirizzo, aggiunto, motivo, prova FROM non_inviare ORDER BY normalizzato");
    while (st.Passo())
        voci.push_back(
            {st.ColonnaTesto(0), st.ColonnaTesto(1), st.ColonnaTesto(2), st.ColonnaTesto(3)});
    return voci;
}

std::vector<TVoceNonInviare> TNonInviare::Cerca(std::string_view testo) const {
    const std::string ago = Piega(Trim(testo));
    std::vector<TVoceNonInviare> trovate;
    for (TVoceNonInviare& voce : Elenco())
        if (Piega(voce.Indirizzo).find(ago) != std::string::npos)
            trovate.push_back(std::move(voce));
    return trovate;
}

std::string TNonInviare::Testo() const {
    std::string testo;
    for (const TVoceNonInviare& voce : Elenco()) testo += voce.Indirizzo + "\n";
    return testo;
}

}  // namespace brivano
