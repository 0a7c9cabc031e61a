#include "workflow/AllegatiRegistro.h"

#include "workflow/RegistroInvii.h"

namespace brivano {

namespace {

constexpr const char* Schema = R"(
CREATE TABLE IF NOT EXISTS allegati_scelte(
    spedizione INTEGER PRIMARY KEY,
    modello TEXT NOT NULL,
    cartella TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS allegati_comuni(
    spedizione INTEGER NOT NULL,
    ordine INTEGER NOT NULL,
    percorso TEXT NOT NULL,
    PRIMARY KEY(spedizione, ordine));
CREATE TABLE IF NOT EXISTS allegati_voci(
    spedizione INTEGER NOT NULL,
    posizione INTEGER NOT NULL,
    ordine INTEGER NOT NULL,
    percorso TEXT NOT NULL,
    nome TEXT NOT NULL,
    dimensione INTEGER NOT NULL,
    sha256 TEXT NOT NULL,
    PRIMARY KEY(spedizione, posizione, ordine));
)";

}  // namespace

TAllegatiRegistrati::TAllegatiRegistrati(const std::filesystem::path& registro)
    : db_(registro, OpzioniRegistroInvii(/*crea=*/false)) {
    db_.Esegui(Schema);
}

void TAllegatiRegistrati::Salva(std::int64_t spedizione, const TSceltaAllegati& scelta,
                                const std::vector<std::size_t>& posizioni,
                                const std::vector<std::vector<TFileAllegato>>& file) {
    TTransazione transazione(db_);
    TComandoSql(db_, "INSERT OR REPLACE INTO allegati_scelte VALUES(?, ?, ?)")
        .Intero(1, spedizione)
        .Testo(2, scelta.Modello)
        .Testo(3, scelta.Cartella)
        .Esegui();
    TComandoSql(db_, "DELETE FROM allegati_comuni WHERE spedizione=?")
        .Intero(1, spedizione)
        .Esegui();
    TComandoSql comune(db_, "INSERT INTO allegati_comuni VALUES(?, ?, ?)");
    for (std::size_t i = 0; i < scelta.Comuni.size(); ++i) {
        comune.Intero(1, spedizione)
            .Intero(2, static_cast<std::int64_t>(i))
            .Testo(3, scelta.Comuni[i])
            .Esegui();
    }
    TComandoSql via(db_, "DELETE FROM allegati_voci WHERE spedizione=? AND posizione=?");
    TComandoSql voce(db_, "INSERT INTO allegati_voci VALUES(?, ?, ?, ?, ?, ?, ?)");
    for (std::size_t k = 0; k < posizioni.size() && k < file.size(); ++k) {
        const auto posizione = static_cast<std::int64_t>(posizioni[k]);
        via.Intero(1, spedizione).Intero(2, posizione).Esegui();
        for (std::size_t i = 0; i < file[k].size(); ++i) {
            const TFileAllegato& f = file[k][i];
            voce.Intero(1, spedizione)
                .Intero(2, posizione)
                .Intero(3, static_cast<std::int64_t>(i))
                .Testo(4, f.Percorso.string())
                .Testo(5, f.Nome)
                .Intero(6, static_cast<std::int64_t>(f.Dimensione))
                .Testo(7, f.Sha256)
                .Esegui();
        }
    }
    transazione.Conferma();
}

std::optional<TSceltaAllegati> TAllegatiRegistrati::Scelta(std::int64_t spedizione) const {
    TComandoSql scelta(db_, "SELECT modello, cartella FROM allegati_scelte WHERE spedizione=?");
    scelta.Intero(1, spedizione);
    if (!scelta.Passo()) return std::nullopt;
    TSceltaAllegati r;
    r.Modello = scelta.ColonnaTesto(0);
    r.Cartella = scelta.ColonnaTesto(1);
    TComandoSql comuni(db_,
                       "SELECT percorso FROM allegati_comuni WHERE spedizione=? ORDER BY ordine");
    comuni.Intero(1, spedizione);
    while (comuni.Passo()) r.Comuni.push_back(comuni.ColonnaTesto(0));
    return r;
}

std::vector<TFileAllegato> TAllegatiRegistrati::File(std::int64_t spedizione,
                                                     std::size_t posizione) const {
    TComandoSql voce(db_,
                     "SELECT percorso, nome, dimensione, sha256 FROM allegati_voci "
                     "WHERE spedizione=? AND posizione=? ORDER BY ordine");
    voce.Intero(1, spedizione).Intero(2, static_cast<std::int64_t>(posizione));
    std::vector<TFileAllegato> file;
    while (voce.Passo())
        file.push_back({voce.ColonnaTesto(0), voce.ColonnaTesto(1),
                        static_cast<std::uintmax_t>(voce.ColonnaIntero(2)), voce.ColonnaTesto(3)});
    return file;
}

}  // namespace brivano
