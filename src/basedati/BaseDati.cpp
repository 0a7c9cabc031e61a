#include "basedati/BaseDati.h"

#include <sqlite3.h>

namespace brivano {

namespace {

[[noreturn]] void SollevaCon(TSollevaErrore solleva, const EBaseDati& errore) {
    if (solleva) solleva(errore);
    throw errore;
}

}  // namespace

std::string TestoErroreBaseDati(int codice, const std::filesystem::path& file) {
    const std::string nome = file.string();
    switch (codice & 0xff) {
        case SQLITE_READONLY:
            return "Il file " + nome + " è in sola lettura: le modifiche non sono state salvate";
        case SQLITE_FULL:
            return "Disco pieno: impossibile scrivere il file " + nome;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "Il file " + nome + " è in uso da un altro programma; riprovare tra poco";
        case SQLITE_CANTOPEN:
            return "Impossibile aprire il file " + nome;
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return "Accesso negato al file " + nome;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return "Il file " + nome + " è danneggiato o non è un archivio valido";
        case SQLITE_IOERR:
            return "Errore di lettura o scrittura sul file " + nome;
        case SQLITE_NOMEM:
            return "Memoria esaurita lavorando sul file " + nome;
        case SQLITE_CONSTRAINT:
            return "Il file " + nome + " rifiuta il dato: non rispetta le regole dell'archivio";
        default:
            return "Errore del database nel file " + nome + " (codice " + std::to_string(codice) +
                   ")";
    }
}

TOpzioniBaseDati OpzioniFileDati(TSollevaErrore solleva, std::string_view tabelle,
                                 bool unSoloFilo) {
    TOpzioniBaseDati opzioni;
    opzioni.Crea = true;
    opzioni.UnSoloFilo = unSoloFilo;
    opzioni.Tabelle = tabelle;
    opzioni.Solleva = solleva;
    return opzioni;
}

TBaseDati::TBaseDati(std::filesystem::path file, const TOpzioniBaseDati& opzioni)
    : file_(std::move(file)), solleva_(opzioni.Solleva) {
    int flag = SQLITE_OPEN_READWRITE;
    if (opzioni.Crea) flag |= SQLITE_OPEN_CREATE;
    if (opzioni.UnSoloFilo) flag |= SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(file_.c_str(), &db_, flag, nullptr);
    if (rc != SQLITE_OK) {
        const std::string motore = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        SollevaCon(solleva_, EBaseDati(TestoErroreBaseDati(rc, file_), motore, rc));
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, opzioni.AttesaOccupatoMs);
    try {
        if (opzioni.Wal) Esegui("PRAGMA journal_mode=WAL");
        if (opzioni.SincroniaPiena) Esegui("PRAGMA synchronous=FULL");
        if (!opzioni.Tabelle.empty()) Esegui(opzioni.Tabelle);
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

TBaseDati::~TBaseDati() {
    sqlite3_close(db_);
}

void TBaseDati::Solleva(int codice) const {
    Solleva(codice, sqlite3_errmsg(db_));
}

void TBaseDati::Solleva(int codice, const std::string& motore) const {
    SollevaCon(solleva_, EBaseDati(TestoErroreBaseDati(codice, file_), motore, codice));
}

void TBaseDati::Solleva(const std::string& testo) const {
    SollevaCon(solleva_, EBaseDati(testo));
}

void TBaseDati::Esegui(std::string_view sql) {
    const std::string testo(sql);
    char* messaggio = nullptr;
    const int rc = sqlite3_exec(db_, testo.c_str(), nullptr, nullptr, &messaggio);
    if (rc != SQLITE_OK) {
        const std::string motore = messaggio ? messaggio : sqlite3_errmsg(db_);
        sqlite3_free(messaggio);
        Solleva(rc, motore);
    }
}

std::int64_t TBaseDati::UltimoId() const {
    return sqlite3_last_insert_rowid(db_);
}

int TBaseDati::Modificate() const {
    return sqlite3_changes(db_);
}

TComandoSql::TComandoSql(const TBaseDati& db, std::string_view sql) : db_(db) {
    const int rc = sqlite3_prepare_v2(db.Connessione(), sql.data(), static_cast<int>(sql.size()),
                                      &st_, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st_);
        db_.Solleva(rc);
    }
}

TComandoSql::~TComandoSql() {
    sqlite3_finalize(st_);
}

TComandoSql& TComandoSql::Testo(int n, std::string_view testo) {
    sqlite3_bind_text(st_, n, testo.data(), static_cast<int>(testo.size()), SQLITE_TRANSIENT);
    return *this;
}

TComandoSql& TComandoSql::TestoFisso(int n, std::string_view testo) {
    sqlite3_bind_text(st_, n, testo.data(), static_cast<int>(testo.size()), SQLITE_STATIC);
    return *this;
}

TComandoSql& TComandoSql::Blob(int n, std::string_view dati) {
    sqlite3_bind_blob(st_, n, dati.data(), static_cast<int>(dati.size()), SQLITE_TRANSIENT);
    return *this;
}

TComandoSql& TComandoSql::Intero(int n, std::int64_t valore) {
    sqlite3_bind_int64(st_, n, valore);
    return *this;
}

TComandoSql& TComandoSql::Nullo(int n) {
    sqlite3_bind_null(st_, n);
    return *this;
}

bool TComandoSql::Passo() {
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    // The code and text are the connection's until the next call on it.
    const std::string motore = sqlite3_errmsg(db_.Connessione());
    sqlite3_reset(st_);
    db_.Solleva(rc, motore);
}

void TComandoSql::Esegui() {
    while (Passo()) {
    }
    sqlite3_reset(st_);
}

void TComandoSql::Riavvolgi() {
    sqlite3_reset(st_);
}

void TComandoSql::Azzera() {
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

bool TComandoSql::ColonnaNulla(int n) const {
    return sqlite3_column_type(st_, n) == SQLITE_NULL;
}

std::string TComandoSql::ColonnaTesto(int n) const {
    return std::string(ColonnaVista(n));
}

std::string_view TComandoSql::ColonnaVista(int n) const {
    // A blob reads as its bytes; the text form of a number as its digits.
    const char* p = sqlite3_column_type(st_, n) == SQLITE_BLOB
                        ? static_cast<const char*>(sqlite3_column_blob(st_, n))
                        : reinterpret_cast<const char*>(sqlite3_column_text(st_, n));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(st_, n)))
             : std::string_view();
}

std::int64_t TComandoSql::ColonnaIntero(int n) const {
    return sqlite3_column_int64(st_, n);
}

TTransazione::TTransazione(TBaseDati& db) : db_(db) {
    db_.Esegui("BEGIN IMMEDIATE");
}

TTransazione::~TTransazione() {
    // A failed statement may have ended the transaction already; the rollback
    // then has nothing to undo, and its own failure must not throw from here.
    if (aperta_) sqlite3_exec(db_.Connessione(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void TTransazione::Conferma() {
    db_.Esegui("COMMIT");
    aperta_ = false;
}

}  // namespace brivano
