#include "workflow/NonInviare.h"

#include <set>

#include "config/F_Conf.h"
#include "text/Testo.h"
#include "workflow/Destinatari.h"
#include "workflow/FormaIndirizzo.h"
#include "workflow/Piegatura.h"
#include "workflow/RegistroContatti.h"
#include "workflow/RegistroInvii.h"

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

// The lists of version 2 compare by ChiaveIndirizzo and keep every row, even
// two that now read as one address.
constexpr int VersioneElenco = 2;

TNonInviare::TNonInviare(const std::filesystem::path& percorso)
    : db_(percorso, OpzioniFileDati([](const EBaseDati& e) { throw ENonInviare(e); })) {
    TTransazione t(db_);
    int versione = 0;
    {
        TComandoSql c(db_, "PRAGMA user_version");
        if (c.Passo()) versione = static_cast<int>(c.ColonnaIntero(0));
    }
    if (versione < VersioneElenco) {
        // Older lists keyed the address trimmed and case folded only, one
        // row per key: rebuild without that bound and key every row anew.
        db_.Esegui(
            "CREATE TABLE IF NOT EXISTS non_inviare ("
            "normalizzato TEXT PRIMARY KEY, indirizzo TEXT NOT NULL, aggiunto TEXT NOT NULL);"
            "CREATE TABLE non_inviare_nuovo (id INTEGER PRIMARY KEY, normalizzato TEXT NOT NULL, "
            "indirizzo TEXT NOT NULL, aggiunto TEXT NOT NULL, motivo TEXT NOT NULL DEFAULT '', "
            "prova TEXT NOT NULL DEFAULT '')");
        // Lists written before reasons were kept get the columns, empty.
        TComandoSql colonne(db_,
                            "SELECT 1 FROM pragma_table_info('non_inviare') WHERE name='motivo'");
        if (!colonne.Passo())
            db_.Esegui(
                "ALTER TABLE non_inviare ADD COLUMN motivo TEXT NOT NULL DEFAULT '';"
                "ALTER TABLE non_inviare ADD COLUMN prova TEXT NOT NULL DEFAULT ''");
        {
            TComandoSql leggi(db_,
                              "SELECT indirizzo, aggiunto, motivo, prova FROM non_inviare "
                              "ORDER BY aggiunto");
            TComandoSql scrivi(db_,
                               "INSERT INTO non_inviare_nuovo(normalizzato, indirizzo, aggiunto, "
                               "motivo, prova) VALUES (?, ?, ?, ?, ?)");
            while (leggi.Passo()) {
                const std::string indirizzo = leggi.ColonnaTesto(0);
                scrivi.Azzera();
                scrivi.Testo(1, ChiaveIndirizzo(indirizzo))
                    .Testo(2, indirizzo)
                    .Testo(3, leggi.ColonnaTesto(1))
                    .Testo(4, leggi.ColonnaTesto(2))
                    .Testo(5, leggi.ColonnaTesto(3))
                    .Esegui();
            }
        }
        db_.Esegui(
            "DROP TABLE non_inviare;"
            "ALTER TABLE non_inviare_nuovo RENAME TO non_inviare;"
            "CREATE INDEX non_inviare_normalizzato ON non_inviare(normalizzato);"
            "PRAGMA user_version = 2");
    }
    t.Conferma();
}

TNonInviare::~TNonInviare() = default;

bool TNonInviare::Aggiungi(std::string_view indirizzo) {
    return Aggiungi(indirizzo, "", "");
}

bool TNonInviare::Aggiungi(std::string_view indirizzo, std::string_view motivo,
                           std::string_view prova) {
    if (Trim(indirizzo).empty() || Contiene(indirizzo)) return false;
    TComandoSql st(db_,
                   "INSERT INTO non_inviare(normalizzato, indirizzo, aggiunto, motivo, prova) "
                   "VALUES (?, ?, strftime('%Y-%m-%d %H:%M:%S', 'now'), ?, ?)");
    st.Testo(1, ChiaveIndirizzo(indirizzo))
        .Testo(2, Trim(indirizzo))
        .Testo(3, motivo)
        .Testo(4, prova)
        .Esegui();
    SegnaOpposizione(indirizzo);
    return true;
}

void TNonInviare::SegnaOpposizione(std::string_view indirizzo) {
    // The list is what keeps the address out: a register that cannot be
    // written must not undo or fail the addition, and the register's export
    // falls back to the date the list keeps.
    try {
        if (!registro_)
            registro_ = std::make_unique<TRegistroContatti>(
                PercorsoRegistroContatti(db_.Percorso().parent_path()));
        registro_->SegnaOpposizione(indirizzo, OggiRegistro());
    } catch (const ERegistroContatti&) {
        registro_.reset();
    }
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
            if (Aggiungi(riga)) {
                ++esito.Aggiunti;
            } else {
                ++esito.GiaPresenti;
                esito.Presenti.emplace_back(Trim(riga));
            }
        }
        i = fine + 1;
    }
    t.Conferma();
    return esito;
}

bool TNonInviare::Togli(std::string_view indirizzo) {
    TComandoSql st(db_, "DELETE FROM non_inviare WHERE normalizzato = ?");
    st.Testo(1, ChiaveIndirizzo(indirizzo)).Esegui();
    return db_.Modificate() > 0;
}

bool TNonInviare::Contiene(std::string_view indirizzo) const {
    if (Trim(indirizzo).empty()) return false;
    const std::string chiave = ChiaveIndirizzo(indirizzo);
    TComandoSql st(db_, "SELECT 1 FROM non_inviare WHERE normalizzato = ?");
    st.Testo(1, chiave);
    return st.Passo();
}

std::vector<TVoceNonInviare> TNonInviare::Elenco() const {
    std::vector<TVoceNonInviare> voci;
    TComandoSql st(db_,
                   "SELECT indirizzo, aggiunto, motivo, prova, normalizzato FROM non_inviare "
                   "ORDER BY normalizzato, id");
    while (st.Passo())
        voci.push_back({st.ColonnaTesto(0), st.ColonnaTesto(1), st.ColonnaTesto(2),
                        st.ColonnaTesto(3), st.ColonnaTesto(4)});
    return voci;
}

std::vector<TVoceNonInviare> TNonInviare::Cerca(std::string_view testo) const {
    const std::string ago = Piega(Trim(testo));
    std::vector<TVoceNonInviare> trovate;
    for (TVoceNonInviare& voce : Elenco())
        if (Piega(voce.Indirizzo).find(ago) != std::string::npos ||
            voce.Normale.find(ago) != std::string::npos)
            trovate.push_back(std::move(voce));
    return trovate;
}

std::string TNonInviare::Testo() const {
    std::string testo;
    for (const TVoceNonInviare& voce : Elenco()) testo += voce.Indirizzo + "\n";
    return testo;
}

std::vector<TMotivoEsclusione> Esclusioni(const std::vector<std::string>& voci,
                                          const TNonInviare* nonInviare,
                                          const TRegistroInvii* registro,
                                          const std::vector<std::string>& impronte) {
    std::vector<TMotivoEsclusione> motivi(voci.size(), TMotivoEsclusione::Nessuno);
    std::set<std::string> viste;
    for (std::size_t i = 0; i < voci.size(); ++i) {
        if (nonInviare && VoceEsclusa(*nonInviare, voci[i]))
            motivi[i] = TMotivoEsclusione::NonInviare;
        else if (!viste.insert(ChiaveIndirizzo(voci[i])).second)
            motivi[i] = TMotivoEsclusione::Doppione;
    }
    if (registro)
        for (const TGiaServito& g : registro->GiaServiti(voci, impronte))
            if (motivi[g.Indice] == TMotivoEsclusione::Nessuno)
                motivi[g.Indice] = TMotivoEsclusione::GiaServito;
    return motivi;
}

}  // namespace brivano
