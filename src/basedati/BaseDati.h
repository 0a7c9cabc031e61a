#pragma once
// The one place that speaks SQLite: a connection opened with the settings the
// program relies on, prepared statements, write transactions that roll back
// on every way out but a confirm, and engine failures turned into Italian
// texts for the user, with the engine's own text kept for the log.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace brivano {

// A failure of a database file. what() is for the user; Motore() is the
// engine's own text (empty when the failure is not the engine's), for the log.
class EBaseDati : public std::runtime_error {
  public:
    explicit EBaseDati(const std::string& testo, std::string motore = {}, int codice = 0)
        : std::runtime_error(testo), motore_(std::move(motore)), codice_(codice) {}
    const std::string& Motore() const { return motore_; }
    // The engine's result code; 0 when the failure is not the engine's.
    int Codice() const { return codice_; }

  private:
    std::string motore_;
    int codice_;
};

// The Italian text of an engine result code met on a file.
std::string TestoErroreBaseDati(int codice, const std::filesystem::path& file);

// Raises the user's own kind of error (deriving from EBaseDati) from the one
// the unit made; it must throw.
using TSollevaErrore = void (*)(const EBaseDati& errore);

struct TOpzioniBaseDati {
    bool Crea = false;                 // create the file when missing
    bool Wal = false;                  // write-ahead journal: readers never wait on the writer
    bool SincroniaPiena = false;       // every commit reaches the disk before the call returns
    bool UnSoloFilo = false;           // only one thread at a time uses the connection
    int AttesaOccupatoMs = 5000;       // how long a statement waits for another writer
    std::string_view Tabelle;          // run once open: makes the tables that are missing
    TSollevaErrore Solleva = nullptr;  // null: EBaseDati itself
};

// A file of the data folder, made on first use with the tables `tabelle`
// creates when missing; failures raised by `solleva`.
TOpzioniBaseDati OpzioniFileDati(TSollevaErrore solleva, std::string_view tabelle = {},
                                 bool unSoloFilo = true);

class TBaseDati {
  public:
    // Raises when the file cannot be opened or set up.
    TBaseDati(std::filesystem::path file, const TOpzioniBaseDati& opzioni);
    ~TBaseDati();
    TBaseDati(const TBaseDati&) = delete;
    TBaseDati& operator=(const TBaseDati&) = delete;

    const std::filesystem::path& Percorso() const { return file_; }
    // Runs one or more statements that return no rows.
    void Esegui(std::string_view sql);
    std::int64_t UltimoId() const;
    // Rows changed by the last statement.
    int Modificate() const;
    // Raises the mapped error for an engine result code on this connection.
    [[noreturn]] void Solleva(int codice) const;
    [[noreturn]] void Solleva(int codice, const std::string& motore) const;
    // Raises an error of the user's kind that is not the engine's.
    [[noreturn]] void Solleva(const std::string& testo) const;
    // For registering SQL functions on the connection.
    sqlite3* Connessione() const { return db_; }

  private:
    std::filesystem::path file_;
    sqlite3* db_ = nullptr;
    TSollevaErrore solleva_;
};

// One prepared statement, finalized when it goes.
class TComandoSql {
  public:
    TComandoSql(const TBaseDati& db, std::string_view sql);
    ~TComandoSql();
    TComandoSql(const TComandoSql&) = delete;
    TComandoSql& operator=(const TComandoSql&) = delete;

    // Parameters count from 1. Testo copies the text; TestoFisso does not,
    // so the text must outlive the statement's next run.
    TComandoSql& Testo(int n, std::string_view testo);
    TComandoSql& TestoFisso(int n, std::string_view testo);
    TComandoSql& Blob(int n, std::string_view dati);
    TComandoSql& Intero(int n, std::int64_t valore);
    TComandoSql& Nullo(int n);
    // True while a row is there; raises on a failure (and resets the statement).
    bool Passo();
    // Runs a statement that returns no rows, then makes it ready to run again.
    void Esegui();
    // Ready to run again, with the parameters kept.
    void Riavvolgi();
    // Ready to run again, with every parameter cleared.
    void Azzera();

    // Columns count from 0. A null reads as an empty text.
    bool ColonnaNulla(int n) const;
    std::string ColonnaTesto(int n) const;
    // Lasts until the next step.
    std::string_view ColonnaVista(int n) const;
    std::int64_t ColonnaIntero(int n) const;

  private:
    const TBaseDati& db_;
    sqlite3_stmt* st_ = nullptr;
};

// A write transaction, begun at once so that another writer is met here and
// not half way through; rolled back unless confirmed.
class TTransazione {
  public:
    explicit TTransazione(TBaseDati& db);
    ~TTransazione();
    TTransazione(const TTransazione&) = delete;
    TTransazione& operator=(const TTransazione&) = delete;
    void Conferma();

  private:
    TBaseDati& db_;
    bool aperta_ = true;
};

}  // namespace brivano
