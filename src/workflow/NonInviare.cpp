#include "workflow/NonInviare.h"

#include <sqlite3.h>

#include "config/F_Conf.h"
#include "text/Testo.h"
#include "workflow/Piegatura.h"

namespace brivano {

namespace {

class TStatement {
  public:
    TStatement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &st_, nullptr) != SQLITE_OK) Raise();
    }
    ~TStatement() { sqlite3_finalize(st_); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;
    void Bind(int i, std::string_view text) {
        sqlite3_bind_text(st_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    bool Step() {
        const int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) Raise();
        return false;
    }
    std::string Text(int col) const {
        const unsigned char* t = sqlite3_column_text(st_, col);
        return t ? std::string(reinterpret_cast<const char*>(t),
                               static_cast<std::size_t>(sqlite3_column_bytes(st_, col)))
                 : std::string();
    }
    [[noreturn]] void Raise() const {
        throw ENonInviare(std::string("Elenco non inviare: ") + sqlite3_errmsg(db_));
    }

  private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

}  // namespace

std::filesystem::path PercorsoNonInviare(const std::string& pathDatiGen) {
    return std::filesystem::path(pathDatiGen) / FileNonInviare;
}

std::filesystem::path PercorsoNonInviareConfigurato() {
    const std::string radice = LeggiReg(KeyBrivano, "PathDatiGen");
    if (radice.empty())
        throw ENonInviare("La configurazione non indica la cartella dei dati (PathDatiGen)");
    return PercorsoNonInviare(radice);
}

TNonInviare::TNonInviare(const std::filesystem::path& percorso) {
    if (sqlite3_open_v2(percorso.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string msg = db_ ? sqlite3_errmsg(db_) : "memoria esaurita";
        sqlite3_close(db_);
        throw ENonInviare("Impossibile aprire l'elenco non inviare " + percorso.string() + ": " +
                          msg);
    }
    sqlite3_busy_timeout(db_, 5000);
    try {
        Exec(
            "CREATE TABLE IF NOT EXISTS non_inviare ("
            "normalizzato TEXT PRIMARY KEY, indirizzo TEXT NOT NULL, aggiunto TEXT NOT NULL)");
        // Lists written before reasons were kept get the columns, empty.
        TStatement colonne(db_,
                           "SELECT 1 FROM pragma_table_info('non_inviare') WHERE name='motivo'");
        if (!colonne.Step())
            Exec(
                "ALTER TABLE non_inviare ADD COLUMN motivo TEXT NOT NULL DEFAULT '';"
                "ALTER TABLE non_inviare ADD COLUMN prova TEXT NOT NULL DEFAULT ''");
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

TNonInviare::~TNonInviare() {
    sqlite3_close(db_);
}

void TNonInviare::Exec(const char* sql) const {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string msg = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw ENonInviare("Elenco non inviare: " + msg);
    }
}

bool TNonInviare::Aggiungi(std::string_view indirizzo) {
    return Aggiungi(indirizzo, "", "");
}

bool TNonInviare::Aggiungi(std::string_view indirizzo, std::string_view motivo,
                           std::string_view prova) {
    const std::string chiave = NormalizzaIndirizzo(indirizzo);
    if (chiave.empty()) return false;
    TStatement st(db_,
                  "INSERT OR IGNORE INTO non_inviare(normalizzato, indirizzo, aggiunto, motivo, "
                  "prova) VALUES (?, ?, strftime('%Y-%m-%d %H:%M:%S', 'now'), ?, ?)");
    st.Bind(1, chiave);
    st.Bind(2, Trim(indirizzo));
    st.Bind(3, motivo);
    st.Bind(4, prova);
    st.Step();
    return sqlite3_changes(db_) > 0;
}

TEsitoAggiunta TNonInviare::AggiungiTesto(std::string_view righe) {
    TEsitoAggiunta esito;
    Exec("BEGIN IMMEDIATE");
    try {
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
        Exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return esito;
}

bool TNonInviare::Togli(std::string_view indirizzo) {
    TStatement st(db_, "DELETE FROM non_inviare WHERE normalizzato = ?");
    st.Bind(1, NormalizzaIndirizzo(indirizzo));
    st.Step();
    return sqlite3_changes(db_) > 0;
}

bool TNonInviare::Contiene(std::string_view indirizzo) const {
    const std::string chiave = NormalizzaIndirizzo(indirizzo);
    if (chiave.empty()) return false;
    TStatement st(db_, "SELECT 1 FROM non_inviare WHERE normalizzato = ?");
    st.Bind(1, chiave);
    return st.Step();
}

std::vector<TVoceNonInviare> TNonInviare::Elenco() const {
    std::vector<TVoceNonInviare> voci;
    TStatement st(
        db_, "SELECT indirizzo, aggiunto, motivo, prova FROM non_inviare ORDER BY normalizzato");
    while (st.Step()) voci.push_back({st.Text(0), st.Text(1), st.Text(2), st.Text(3)});
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
