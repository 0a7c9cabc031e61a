#include "posta/ArchivioPosta.h"

#include <sqlite3.h>

#include "posta/SessioneImap.h"

namespace brivano {

namespace {

class TIstruzione {
  public:
    TIstruzione(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            throw EPosta(std::string("Archivio della posta: ") + sqlite3_errmsg(db));
    }
    ~TIstruzione() { sqlite3_finalize(stmt_); }
    TIstruzione(const TIstruzione&) = delete;
    TIstruzione& operator=(const TIstruzione&) = delete;

    TIstruzione& Testo(int i, const std::string& valore) {
        sqlite3_bind_text(stmt_, i, valore.c_str(), static_cast<int>(valore.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    TIstruzione& Numero(int i, std::int64_t valore) {
        sqlite3_bind_int64(stmt_, i, valore);
        return *this;
    }
    bool Passo() {
        const int esito = sqlite3_step(stmt_);
        if (esito == SQLITE_ROW) return true;
        if (esito == SQLITE_DONE) return false;
        throw EPosta(std::string("Archivio della posta: ") + sqlite3_errmsg(db_));
    }
    std::string ColonnaTesto(int i) const {
        const auto* testo = sqlite3_column_text(stmt_, i);
        return testo == nullptr ? std::string() : reinterpret_cast<const char*>(testo);
    }
    std::int64_t ColonnaNumero(int i) const { return sqlite3_column_int64(stmt_, i); }

  private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* Colonne =
    "id, quando, tipo, indirizzo, spedizione, codice, diagnosi, message_id, fatto, annullata,"
    " posizione, in_elenco";

TRegistrazionePosta Leggi(const TIstruzione& riga) {
    TRegistrazionePosta voce;
    voce.Id = riga.ColonnaNumero(0);
    voce.Quando = riga.ColonnaTesto(1);
    voce.Tipo = riga.ColonnaTesto(2);
    voce.Indirizzo = riga.ColonnaTesto(3);
    voce.Spedizione = riga.ColonnaNumero(4);
    voce.Codice = riga.ColonnaTesto(5);
    voce.Diagnosi = riga.ColonnaTesto(6);
    voce.MessageId = riga.ColonnaTesto(7);
    voce.Fatto = riga.ColonnaTesto(8);
    voce.Annullata = riga.ColonnaNumero(9) != 0;
    voce.Posizione = riga.ColonnaNumero(10);
    voce.MessoInElenco = riga.ColonnaNumero(11) != 0;
    return voce;
}

}  // namespace

TArchivioPosta::TArchivioPosta(const std::filesystem::path& file) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string motivo = db_ != nullptr ? sqlite3_errmsg(db_) : "memoria esaurita";
        sqlite3_close(db_);
        db_ = nullptr;
        throw EPosta("Impossibile aprire l'archivio della posta " + file.string() + ": " + motivo);
    }
    sqlite3_busy_timeout(db_, 5000);
    Esegui(
        "CREATE TABLE IF NOT EXISTS punti(casella TEXT PRIMARY KEY, uidvalidity INTEGER NOT NULL,"
        " ultimo INTEGER NOT NULL);"
        "CREATE TABLE IF NOT EXISTS elaborati(id INTEGER PRIMARY KEY, quando TEXT NOT NULL,"
        " tipo TEXT NOT NULL, indirizzo TEXT NOT NULL, spedizione INTEGER NOT NULL,"
        " codice TEXT NOT NULL, diagnosi TEXT NOT NULL, message_id TEXT NOT NULL,"
        " fatto TEXT NOT NULL, annullata INTEGER NOT NULL DEFAULT 0, posizione INTEGER NOT NULL,"
        " in_elenco INTEGER NOT NULL);"
        "CREATE INDEX IF NOT EXISTS elaborati_id ON elaborati(message_id, indirizzo);"
        "CREATE TABLE IF NOT EXISTS temporanei(indirizzo TEXT PRIMARY KEY,"
        " volte INTEGER NOT NULL, ultima_spedizione INTEGER NOT NULL);");
}

TArchivioPosta::~TArchivioPosta() {
    sqlite3_close(db_);
}

std::filesystem::path TArchivioPosta::Percorso(const std::filesystem::path& radiceDati) {
    return radiceDati / FileArchivioPosta;
}

void TArchivioPosta::Esegui(const char* sql) const {
    char* messaggio = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &messaggio) != SQLITE_OK) {
        const std::string testo = messaggio != nullptr ? messaggio : sqlite3_errmsg(db_);
        sqlite3_free(messaggio);
        Errore(testo);
    }
}

void TArchivioPosta::Errore(const std::string& cosa) const {
    throw EPosta("Archivio della posta: " + cosa);
}

std::optional<TPuntoControllo> TArchivioPosta::Punto(const std::string& casella) const {
    TIstruzione q(db_, "SELECT uidvalidity, ultimo FROM punti WHERE casella = ?");
    q.Testo(1, casella);
    if (!q.Passo()) return std::nullopt;
    return TPuntoControllo{static_cast<std::uint32_t>(q.ColonnaNumero(0)),
                           static_cast<std::uint32_t>(q.ColonnaNumero(1))};
}

void TArchivioPosta::SalvaPunto(const std::string& casella, const TPuntoControllo& punto) {
    TIstruzione q(db_, "INSERT OR REPLACE INTO punti(casella, uidvalidity, ultimo) VALUES(?,?,?)");
    q.Testo(1, casella).Numero(2, punto.UidValidity).Numero(3, punto.UltimoUid);
    q.Passo();
}

std::int64_t TArchivioPosta::Registra(const TRegistrazionePosta& voce) {
    TIstruzione q(db_,
                  "INSERT INTO elaborati(quando, tipo, indirizzo, spedizione, codice, diagnosi,"
                  " message_id, fatto, posizione, in_elenco)"
                  " VALUES(strftime('%Y-%m-%d %H:%M:%S', 'now'),?,?,?,?,?,?,?,?,?)");
    q.Testo(1, voce.Tipo)
        .Testo(2, voce.Indirizzo)
        .Numero(3, voce.Spedizione)
        .Testo(4, voce.Codice)
        .Testo(5, voce.Diagnosi)
        .Testo(6, voce.MessageId)
        .Testo(7, voce.Fatto)
        .Numero(8, voce.Posizione)
        .Numero(9, voce.MessoInElenco ? 1 : 0);
    q.Passo();
    return sqlite3_last_insert_rowid(db_);
}

std::vector<TRegistrazionePosta> TArchivioPosta::Registrazioni() const {
    const std::string sql = std::string("SELECT ") + Colonne + " FROM elaborati ORDER BY id DESC";
    TIstruzione q(db_, sql.c_str());
    std::vector<TRegistrazionePosta> voci;
    while (q.Passo()) voci.push_back(Leggi(q));
    return voci;
}

std::optional<TRegistrazionePosta> TArchivioPosta::Registrazione(std::int64_t id) const {
    const std::string sql = std::string("SELECT ") + Colonne + " FROM elaborati WHERE id = ?";
    TIstruzione q(db_, sql.c_str());
    q.Numero(1, id);
    if (!q.Passo()) return std::nullopt;
    return Leggi(q);
}

void TArchivioPosta::SegnaAnnullata(std::int64_t id) {
    TIstruzione q(db_, "UPDATE elaborati SET annullata = 1 WHERE id = ?");
    q.Numero(1, id);
    q.Passo();
}

bool TArchivioPosta::GiaRegistrato(const std::string& messageId,
                                   const std::string& indirizzo) const {
    if (messageId.empty()) return false;
    TIstruzione q(db_, "SELECT 1 FROM elaborati WHERE message_id = ? AND indirizzo = ?");
    q.Testo(1, messageId).Testo(2, indirizzo);
    return q.Passo();
}

int TArchivioPosta::ContaTemporaneo(const std::string& indirizzo, std::int64_t spedizione) {
    TIstruzione q(db_,
                  "INSERT INTO temporanei(indirizzo, volte, ultima_spedizione) VALUES(?, 1, ?)"
                  " ON CONFLICT(indirizzo) DO UPDATE SET"
                  " volte = volte + (CASE WHEN ultima_spedizione = excluded.ultima_spedizione"
                  " AND excluded.ultima_spedizione <> 0 THEN 0 ELSE 1 END),"
                  " ultima_spedizione = excluded.ultima_spedizione");
    q.Testo(1, indirizzo).Numero(2, spedizione);
    q.Passo();
    TIstruzione conta(db_, "SELECT volte FROM temporanei WHERE indirizzo = ?");
    conta.Testo(1, indirizzo);
    return conta.Passo() ? static_cast<int>(conta.ColonnaNumero(0)) : 0;
}

void TArchivioPosta::AzzeraTemporanei(const std::string& indirizzo) {
    TIstruzione q(db_, "DELETE FROM temporanei WHERE indirizzo = ?");
    q.Testo(1, indirizzo);
    q.Passo();
}

}  // namespace brivano
