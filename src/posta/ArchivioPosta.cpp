#include "posta/ArchivioPosta.h"

#include "posta/SessioneImap.h"

namespace brivano {

namespace {

constexpr const char* Tabelle =
    "CREATE TABLE IF NOT EXISTS punti(casella TEXT PRIMARY KEY, uidvalidity INTEGER NOT NULL,"
    " ultimo INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS elaborati(id INTEGER PRIMARY KEY, quando TEXT NOT NULL,"
    " tipo TEXT NOT NULL, indirizzo TEXT NOT NULL, spedizione INTEGER NOT NULL,"
    " codice TEXT NOT NULL, diagnosi TEXT NOT NULL, message_id TEXT NOT NULL,"
    " fatto TEXT NOT NULL, annullata INTEGER NOT NULL DEFAULT 0, posizione INTEGER NOT NULL,"
    " in_elenco INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS elaborati_id ON elaborati(message_id, indirizzo);"
    "CREATE TABLE IF NOT EXISTS temporanei(indirizzo TEXT PRIMARY KEY,"
    " volte INTEGER NOT NULL, ultima_spedizione INTEGER NOT NULL);";

void SollevaArchivio(const EBaseDati& e) {
    throw EPosta(std::string("Archivio della posta: ") + e.what());
}

constexpr const char* Colonne =
    "id, quando, tipo, indirizzo, spedizione, codice, diagnosi, message_id, fatto, annullata,"
    " posizione, in_elenco";

TRegistrazionePosta Leggi(const TComandoSql& riga) {
    TRegistrazionePosta voce;
    voce.Id = riga.ColonnaIntero(0);
    voce.Quando = riga.ColonnaTesto(1);
    voce.Tipo = riga.ColonnaTesto(2);
    voce.Indirizzo = riga.ColonnaTesto(3);
    voce.Spedizione = riga.ColonnaIntero(4);
    voce.Codice = riga.ColonnaTesto(5);
    voce.Diagnosi = riga.ColonnaTesto(6);
    voce.MessageId = riga.ColonnaTesto(7);
    voce.Fatto = riga.ColonnaTesto(8);
    voce.Annullata = riga.ColonnaIntero(9) != 0;
    voce.Posizione = riga.ColonnaIntero(10);
    voce.MessoInElenco = riga.ColonnaIntero(11) != 0;
    return voce;
}

}  // namespace

TArchivioPosta::TArchivioPosta(const std::filesystem::path& file)
    : db_(file, OpzioniFileDati(SollevaArchivio, Tabelle, /*unSoloFilo=*/false)) {}

std::filesystem::path TArchivioPosta::Percorso(const std::filesystem::path& radiceDati) {
    return radiceDati / FileArchivioPosta;
}

std::optional<TPuntoControllo> TArchivioPosta::Punto(const std::string& casella) const {
    TComandoSql q(db_, "SELECT uidvalidity, ultimo FROM punti WHERE casella = ?");
    q.Testo(1, casella);
    if (!q.Passo()) return std::nullopt;
    return TPuntoControllo{static_cast<std::uint32_t>(q.ColonnaIntero(0)),
                           static_cast<std::uint32_t>(q.ColonnaIntero(1))};
}

void TArchivioPosta::SalvaPunto(const std::string& casella, const TPuntoControllo& punto) {
    TComandoSql q(db_, "INSERT OR REPLACE INTO punti(casella, uidvalidity, ultimo) VALUES(?,?,?)");
    q.Testo(1, casella).Intero(2, punto.UidValidity).Intero(3, punto.UltimoUid);
    q.Esegui();
}

std::int64_t TArchivioPosta::Registra(const TRegistrazionePosta& voce) {
    TComandoSql q(db_,
                  "INSERT INTO elaborati(quando, tipo, indirizzo, spedizione, codice, diagnosi,"
                  " message_id, fatto, posizione, in_elenco)"
                  " VALUES(strftime('%Y-%m-%d %H:%M:%S', 'now'),?,?,?,?,?,?,?,?,?)");
    q.Testo(1, voce.Tipo)
        .Testo(2, voce.Indirizzo)
        .Intero(3, voce.Spedizione)
        .Testo(4, voce.Codice)
        .Testo(5, voce.Diagnosi)
        .Testo(6, voce.MessageId)
        .Testo(7, voce.Fatto)
        .Intero(8, voce.Posizione)
        .Intero(9, voce.MessoInElenco ? 1 : 0);
    q.Esegui();
    return db_.UltimoId();
}

std::vector<TRegistrazionePosta> TArchivioPosta::Registrazioni() const {
    const std::string sql = std::string("SELECT ") + Colonne + " FROM elaborati ORDER BY id DESC";
    TComandoSql q(db_, sql.c_str());
    std::vector<TRegistrazionePosta> voci;
    while (q.Passo()) voci.push_back(Leggi(q));
    return voci;
}

std::optional<TRegistrazionePosta> TArchivioPosta::Registrazione(std::int64_t id) const {
    const std::string sql = std::string("SELECT ") + Colonne + " FROM elaborati WHERE id = ?";
    TComandoSql q(db_, sql.c_str());
    q.Intero(1, id);
    if (!q.Passo()) return std::nullopt;
    return Leggi(q);
}

void TArchivioPosta::SegnaAnnullata(std::int64_t id) {
    TComandoSql q(db_, "UPDATE elaborati SET annullata = 1 WHERE id = ?");
    q.Intero(1, id);
    q.Esegui();
}

bool TArchivioPosta::GiaRegistrato(const std::string& messageId,
                                   const std::string& indirizzo) const {
    if (messageId.empty()) return false;
    TComandoSql q(db_, "SELECT 1 FROM elaborati WHERE message_id = ? AND indirizzo = ?");
    q.Testo(1, messageId).Testo(2, indirizzo);
    return q.Passo();
}

int TArchivioPosta::ContaTemporaneo(const std::string& indirizzo, std::int64_t spedizione) {
    TComandoSql q(db_,
                  "INSERT INTO temporanei(indirizzo, volte, ultima_spedizione) VALUES(?, 1, ?)"
                  " ON CONFLICT(indirizzo) DO UPDATE SET"
                  " volte = volte + (CASE WHEN ultima_spedizione = excluded.ultima_spedizione"
                  " AND excluded.ultima_spedizione <> 0 THEN 0 ELSE 1 END),"
                  " ultima_spedizione = excluded.ultima_spedizione");
    q.Testo(1, indirizzo).Intero(2, spedizione);
    q.Esegui();
    TComandoSql conta(db_, "SELECT volte FROM temporanei WHERE indirizzo = ?");
    conta.Testo(1, indirizzo);
    return conta.Passo() ? static_cast<int>(conta.ColonnaIntero(0)) : 0;
}

void TArchivioPosta::AzzeraTemporanei(const std::string& indirizzo) {
    TComandoSql q(db_, "DELETE FROM temporanei WHERE indirizzo = ?");
    q.Testo(1, indirizzo);
    q.Esegui();
}

}  // namespace brivano
