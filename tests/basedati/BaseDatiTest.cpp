// Engine failures reach the user as Italian texts with the engine's own text
// kept beside them, and a transaction that fails anywhere leaves nothing.

#include "basedati/BaseDati.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "FaultyWrites.h"
#include "TempDir.h"

namespace {

using brivano::EBaseDati;
using brivano::TBaseDati;
using brivano::TComandoSql;
using brivano::TOpzioniBaseDati;
using brivano::TTransazione;

TOpzioniBaseDati Crea() {
    TOpzioniBaseDati o;
    o.Crea = true;
    return o;
}

std::int64_t Righe(const TBaseDati& db) {
    TComandoSql c(db, "SELECT count(*) FROM t");
    return c.Passo() ? c.ColonnaIntero(0) : -1;
}

struct TCasoErrore {
    const char* Nome;
    std::function<void(const std::filesystem::path& file)> Provoca;
    std::string Testo;   // what() for the file
    const char* Motore;  // the engine's text
};

TEST(BaseDati, EngineFailuresBecomeItalianTextsKeepingTheEngineText) {
    const std::vector<TCasoErrore> casi = {
        {"sola lettura",
         [](const auto& file) {
             TBaseDati db(file, Crea());
             db.Esegui("CREATE TABLE t(x); PRAGMA query_only=1");
             db.Esegui("INSERT INTO t VALUES(1)");
         },
         " è in sola lettura: le modifiche non sono state salvate",
         "attempt to write a readonly database"},
        {"disco pieno",
         [](const auto& file) {
             TFaultyWrites guasto;
             TBaseDati db(file, Crea());
             db.Esegui("CREATE TABLE t(x)");
             guasto.FailWrite(1);
             TComandoSql(db, "INSERT INTO t VALUES(1)").Esegui();
         },
         "Disco pieno: impossibile scrivere il file ", "database or disk is full"},
        {"occupato",
         [](const auto& file) {
             TBaseDati primo(file, Crea());
             primo.Esegui("CREATE TABLE t(x)");
             TTransazione t(primo);
             TOpzioniBaseDati subito;
             subito.AttesaOccupatoMs = 0;
             TBaseDati secondo(file, subito);
             TTransazione(secondo).Conferma();
         },
         " è in uso da un altro programma; riprovare tra poco", "database is locked"},
        {"cartella mancante",
         [](const auto& file) { TBaseDati(file.parent_path() / "manca" / "prova.db", Crea()); },
         "Impossibile aprire il file ", "unable to open database file"},
        {"non un archivio",
         [](const auto& file) {
             std::ofstream(file) << std::string(4096, 'x');
             TBaseDati(file, Crea()).Esegui("SELECT * FROM sqlite_master");
         },
         " è danneggiato o non è un archivio valido", "file is not a database"},
    };
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.Nome);
        TTempDir dir;
        const auto file = dir.path() / "prova.db";
        try {
            caso.Provoca(file);
            ADD_FAILURE() << "no error";
        } catch (const EBaseDati& e) {
            EXPECT_NE(std::string(e.what()).find(caso.Testo), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("prova.db"), std::string::npos) << e.what();
            EXPECT_EQ(e.Motore(), caso.Motore);
            EXPECT_NE(e.Codice(), 0);
        }
    }
}

TEST(BaseDati, RaisesTheCallersOwnKindOfError) {
    struct EMio : EBaseDati {
        explicit EMio(const EBaseDati& e) : EBaseDati(e) {}
    };
    TTempDir dir;
    TOpzioniBaseDati o = Crea();
    o.Solleva = [](const EBaseDati& e) { throw EMio(e); };
    TBaseDati db(dir.path() / "prova.db", o);
    EXPECT_THROW(db.Esegui("SELECT * FROM manca"), EMio);
    EXPECT_THROW(TComandoSql(db, "SELECT * FROM manca"), EMio);
    EXPECT_THROW(TBaseDati(dir.path() / "manca" / "x.db", o), EMio);
}

// Every write of a transaction fails in turn, as on a full disk: the failure
// is raised and the file holds what it held before the transaction.
TEST(BaseDati, ATransactionFailingAtAnyWriteLeavesNothing) {
    auto transazione = [](TBaseDati& db) {
        TTransazione t(db);
        TComandoSql c(db, "INSERT INTO t VALUES(?)");
        for (int i = 0; i < 200; ++i) c.Azzera(), c.Testo(1, std::string(100, 'a')), c.Esegui();
        t.Conferma();
    };
    TFaultyWrites guasto;
    int scritture = 0;
    {
        TTempDir dir;
        TBaseDati db(dir.path() / "prova.db", Crea());
        db.Esegui("CREATE TABLE t(x); INSERT INTO t VALUES('prima')");
        guasto.FailWrite(0);
        transazione(db);
        scritture = guasto.Writes();
        ASSERT_EQ(Righe(db), 201);
    }
    ASSERT_GT(scritture, 3);
    for (int n = 1; n <= scritture; ++n) {
        SCOPED_TRACE("write " + std::to_string(n) + " of " + std::to_string(scritture));
        TTempDir dir;
        const auto file = dir.path() / "prova.db";
        {
            TBaseDati db(file, Crea());
            db.Esegui("CREATE TABLE t(x); INSERT INTO t VALUES('prima')");
            guasto.FailWrite(n);
            EXPECT_THROW(transazione(db), EBaseDati);
            guasto.FailWrite(0);
            EXPECT_EQ(Righe(db), 1);
        }
        TBaseDati riaperto(file, {});
        EXPECT_EQ(Righe(riaperto), 1);
    }
}

}  // namespace
