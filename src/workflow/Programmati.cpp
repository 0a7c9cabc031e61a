#include "workflow/Programmati.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "workflow/RegistroInvii.h"

namespace brivano {

namespace {

constexpr const char* Schema = R"(
CREATE TABLE IF NOT EXISTS programmati(
    id INTEGER PRIMARY KEY,
    alle INTEGER NOT NULL,
    stato TEXT NOT NULL,
    spedizione INTEGER NOT NULL DEFAULT 0,
    pid INTEGER NOT NULL DEFAULT 0,
    host_presa TEXT NOT NULL DEFAULT '',
    host TEXT NOT NULL,
    mittente TEXT NOT NULL,
    oggetto TEXT NOT NULL,
    modello TEXT NOT NULL,
    cartella TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS programmati_righe(
    programmato INTEGER NOT NULL, numero INTEGER NOT NULL, testo TEXT NOT NULL,
    PRIMARY KEY(programmato, numero));
CREATE TABLE IF NOT EXISTS programmati_comuni(
    programmato INTEGER NOT NULL, ordine INTEGER NOT NULL, percorso TEXT NOT NULL,
    PRIMARY KEY(programmato, ordine));
CREATE TABLE IF NOT EXISTS programmati_voci(
    programmato INTEGER NOT NULL, posizione INTEGER NOT NULL, voce TEXT NOT NULL,
    PRIMARY KEY(programmato, posizione));
CREATE TABLE IF NOT EXISTS programmati_campi(
    programmato INTEGER NOT NULL, posizione INTEGER NOT NULL, nome TEXT NOT NULL,
    valore TEXT NOT NULL, PRIMARY KEY(programmato, posizione, nome));
)";

std::int64_t Secondi(TIstante t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

TIstante DaSecondi(std::int64_t s) {
    return TIstante(std::chrono::seconds(s));
}

std::string NomeHost() {
    char nome[256] = {};
    if (::gethostname(nome, sizeof nome - 1) != 0) return {};
    return nome;
}

TStatoProgrammato StatoDaTesto(const std::string& testo) {
    if (testo == "avviato") return TStatoProgrammato::Avviato;
    if (testo == "annullato") return TStatoProgrammato::Annullato;
    return TStatoProgrammato::InAttesa;
}

constexpr const char* Colonne =
    "id, alle, stato, spedizione, host, mittente, oggetto, modello, cartella";

TProgrammato DallaRiga(const TComandoSql& riga) {
    TProgrammato p;
    p.Id = riga.ColonnaIntero(0);
    p.Alle = DaSecondi(riga.ColonnaIntero(1));
    p.Stato = StatoDaTesto(riga.ColonnaTesto(2));
    p.Spedizione = riga.ColonnaIntero(3);
    p.Testi.Host = riga.ColonnaTesto(4);
    p.Testi.Mittente = riga.ColonnaTesto(5);
    p.Testi.Oggetto = riga.ColonnaTesto(6);
    p.Testi.Allegati.Modello = riga.ColonnaTesto(7);
    p.Testi.Allegati.Cartella = riga.ColonnaTesto(8);
    return p;
}

}  // namespace

const char* NomeStatoProgrammato(TStatoProgrammato stato) {
    switch (stato) {
        case TStatoProgrammato::Avviato:
            return "avviato";
        case TStatoProgrammato::Annullato:
            return "annullato";
        case TStatoProgrammato::InAttesa:
            break;
    }
    return "in attesa";
}

TProgrammati::TProgrammati(const std::filesystem::path& registro)
    : db_(registro, OpzioniRegistroInvii(/*crea=*/false)) {
    db_.Esegui(Schema);
}

std::int64_t TProgrammati::Aggiungi(const TDatiInvio& testi, const std::vector<std::string>& voci,
                                    const std::vector<TCampiContatto>& campi, TIstante alle) {
    TTransazione transazione(db_);
    TComandoSql(db_,
                "INSERT INTO programmati(alle, stato, host, mittente, oggetto, modello, cartella) "
                "VALUES(?, 'in attesa', ?, ?, ?, ?, ?)")
        .Intero(1, Secondi(alle))
        .Testo(2, testi.Host)
        .Testo(3, testi.Mittente)
        .Testo(4, testi.Oggetto)
        .Testo(5, testi.Allegati.Modello)
        .Testo(6, testi.Allegati.Cartella)
        .Esegui();
    const std::int64_t id = db_.UltimoId();
    TComandoSql riga(db_, "INSERT INTO programmati_righe VALUES(?, ?, ?)");
    for (std::size_t n = 0; n < testi.Righe.size(); ++n)
        riga.Intero(1, id)
            .Intero(2, static_cast<std::int64_t>(n))
            .Testo(3, testi.Righe[n])
            .Esegui();
    TComandoSql comune(db_, "INSERT INTO programmati_comuni VALUES(?, ?, ?)");
    for (std::size_t n = 0; n < testi.Allegati.Comuni.size(); ++n)
        comune.Intero(1, id)
            .Intero(2, static_cast<std::int64_t>(n))
            .Testo(3, testi.Allegati.Comuni[n])
            .Esegui();
    TComandoSql voce(db_, "INSERT INTO programmati_voci VALUES(?, ?, ?)");
    TComandoSql campo(db_, "INSERT INTO programmati_campi VALUES(?, ?, ?, ?)");
    for (std::size_t i = 0; i < voci.size(); ++i) {
        const auto posizione = static_cast<std::int64_t>(i);
        voce.Intero(1, id).Intero(2, posizione).Testo(3, voci[i]).Esegui();
        if (i >= campi.size()) continue;
        for (const auto& [nome, valore] : campi[i])
            campo.Intero(1, id).Intero(2, posizione).Testo(3, nome).Testo(4, valore).Esegui();
    }
    transazione.Conferma();
    return id;
}

std::vector<TProgrammato> TProgrammati::Elenco() const {
    TComandoSql elenco(db_,
                       std::string("SELECT ") + Colonne + " FROM programmati ORDER BY id DESC");
    std::vector<TProgrammato> tutti;
    while (elenco.Passo()) tutti.push_back(DallaRiga(elenco));
    return tutti;
}

std::optional<TProgrammato> TProgrammati::Leggi(std::int64_t id) const {
    TComandoSql testa(db_, std::string("SELECT ") + Colonne + " FROM programmati WHERE id=?");
    testa.Intero(1, id);
    if (!testa.Passo()) return std::nullopt;
    TProgrammato p = DallaRiga(testa);
    TComandoSql righe(db_, "SELECT numero, testo FROM programmati_righe WHERE programmato=?");
    righe.Intero(1, id);
    while (righe.Passo()) {
        const auto n = static_cast<std::size_t>(righe.ColonnaIntero(0));
        if (n < p.Testi.Righe.size()) p.Testi.Righe[n] = righe.ColonnaTesto(1);
    }
    TComandoSql comuni(
        db_, "SELECT percorso FROM programmati_comuni WHERE programmato=? ORDER BY ordine");
    comuni.Intero(1, id);
    while (comuni.Passo()) p.Testi.Allegati.Comuni.push_back(comuni.ColonnaTesto(0));
    TComandoSql voci(db_,
                     "SELECT voce FROM programmati_voci WHERE programmato=? ORDER BY posizione");
    voci.Intero(1, id);
    while (voci.Passo()) p.Voci.push_back(voci.ColonnaTesto(0));
    p.Campi.resize(p.Voci.size());
    TComandoSql campi(db_,
                      "SELECT posizione, nome, valore FROM programmati_campi WHERE programmato=?");
    campi.Intero(1, id);
    while (campi.Passo()) {
        const auto i = static_cast<std::size_t>(campi.ColonnaIntero(0));
        if (i < p.Campi.size()) p.Campi[i][campi.ColonnaTesto(1)] = campi.ColonnaTesto(2);
    }
    return p;
}

bool TProgrammati::Annulla(std::int64_t id) {
    TComandoSql(db_, "UPDATE programmati SET stato='annullato' WHERE id=? AND stato='in attesa'")
        .Intero(1, id)
        .Esegui();
    return db_.Modificate() == 1;
}

bool TProgrammati::Anticipa(std::int64_t id, TIstante adesso) {
    TComandoSql(db_, "UPDATE programmati SET alle=? WHERE id=? AND stato='in attesa'")
        .Intero(1, Secondi(adesso))
        .Intero(2, id)
        .Esegui();
    return db_.Modificate() == 1;
}

std::vector<std::int64_t> TProgrammati::Dovuti(TIstante adesso) const {
    TComandoSql dovuti(db_,
                       "SELECT id FROM programmati WHERE stato='in attesa' AND alle<=? "
                       "ORDER BY alle, id");
    dovuti.Intero(1, Secondi(adesso));
    std::vector<std::int64_t> ids;
    while (dovuti.Passo()) ids.push_back(dovuti.ColonnaIntero(0));
    return ids;
}

bool TProgrammati::Prendi(std::int64_t id, TIstante adesso) {
    // One statement: SQLite runs it under the write lock, so of two
    // processes exactly one sees the row still waiting.
    TComandoSql(db_,
                "UPDATE programmati SET stato='avviato', pid=?, host_presa=? "
                "WHERE id=? AND stato='in attesa' AND alle<=?")
        .Intero(1, ::getpid())
        .Testo(2, NomeHost())
        .Intero(3, id)
        .Intero(4, Secondi(adesso))
        .Esegui();
    return db_.Modificate() == 1;
}

void TProgrammati::Avviato(std::int64_t id, std::int64_t spedizione) {
    TComandoSql(db_, "UPDATE programmati SET spedizione=? WHERE id=?")
        .Intero(1, spedizione)
        .Intero(2, id)
        .Esegui();
}

int TProgrammati::RecuperaAbbandonati() {
    std::vector<std::int64_t> abbandonati;
    {
        TComandoSql prese(db_,
                          "SELECT id, pid FROM programmati WHERE stato='avviato' AND "
                          "spedizione=0 AND host_presa=?");
        prese.Testo(1, NomeHost());
        while (prese.Passo()) {
            const auto pid = static_cast<pid_t>(prese.ColonnaIntero(1));
            if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
                abbandonati.push_back(prese.ColonnaIntero(0));
        }
    }
    int quanti = 0;
    for (std::int64_t id : abbandonati) {
        TComandoSql(db_,
                    "UPDATE programmati SET stato='in attesa', pid=0 WHERE id=? AND "
                    "stato='avviato' AND spedizione=0")
            .Intero(1, id)
            .Esegui();
        quanti += db_.Modificate();
    }
    return quanti;
}

std::optional<std::int64_t> ProgrammaInvio(TMessageBoxes& boxes,
                                           const std::filesystem::path& registro,
                                           const TDatiInvio& testi,
                                           const std::vector<std::string>& voci,
                                           const std::vector<TCampiContatto>& campi, TIstante alle,
                                           TIstante adesso) {
    if (voci.empty()) {
        boxes.ShowInfo("Aggiungere almeno un indirizzo da programmare.");
        return std::nullopt;
    }
    if (alle <= adesso) {
        boxes.ShowInfo("L'ora scelta (" + TestoIstante(alle) + ") è già passata.");
        return std::nullopt;
    }
    std::optional<std::int64_t> id;
    RunGuarded(boxes, [&] {
        // Found now, while someone is there to mend it.
        const TUnioneInvio unione(testi.Oggetto, testi.Righe, {}, campi);
        if (!testi.Allegati.Modello.empty()) CampiUsati({testi.Allegati.Modello});
        id = TProgrammati(registro).Aggiungi(testi, voci, campi, alle);
        boxes.ShowInfo("Invio programmato per il " + TestoIstante(alle) + " (" +
                       std::to_string(voci.size()) +
                       (voci.size() == 1 ? " destinatario)." : " destinatari)."));
    });
    return id;
}

std::optional<TIstante> IstanteDaTesto(const std::string& testo) {
    int a = 0, m = 0, g = 0, h = 0, mi = 0;
    char resto = 0;
    if (std::sscanf(testo.c_str(), "%4d-%2d-%2d %2d:%2d%c", &a, &m, &g, &h, &mi, &resto) != 5)
        return std::nullopt;
    std::tm t{};
    t.tm_year = a - 1900;
    t.tm_mon = m - 1;
    t.tm_mday = g;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_isdst = -1;
    const std::time_t s = std::mktime(&t);
    // mktime moves a day or hour that does not exist; such a text is refused.
    if (s == -1 || t.tm_year != a - 1900 || t.tm_mon != m - 1 || t.tm_mday != g || t.tm_hour != h ||
        t.tm_min != mi)
        return std::nullopt;
    return std::chrono::system_clock::from_time_t(s);
}

std::string TestoIstante(TIstante istante) {
    const std::time_t s = std::chrono::system_clock::to_time_t(istante);
    std::tm t{};
    localtime_r(&s, &t);
    char testo[32];
    std::strftime(testo, sizeof testo, "%Y-%m-%d %H:%M", &t);
    return testo;
}

}  // namespace brivano
