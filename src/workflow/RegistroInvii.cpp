#include "workflow/RegistroInvii.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "text/Ora.h"
#include "workflow/Esportazione.h"
#include "workflow/FormaIndirizzo.h"

namespace brivano {

namespace {

constexpr const char* Schema = R"(
CREATE TABLE IF NOT EXISTS spedizioni(
    id INTEGER PRIMARY KEY,
    creata TEXT NOT NULL,
    account TEXT NOT NULL,
    mittente TEXT NOT NULL,
    oggetto TEXT NOT NULL,
    riga1 TEXT NOT NULL, riga2 TEXT NOT NULL, riga3 TEXT NOT NULL, riga4 TEXT NOT NULL,
    riga5 TEXT NOT NULL, riga6 TEXT NOT NULL, riga7 TEXT NOT NULL, riga8 TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS voci(
    spedizione INTEGER NOT NULL REFERENCES spedizioni(id),
    posizione INTEGER NOT NULL,
    voce TEXT NOT NULL,
    stato TEXT NOT NULL,
    codice INTEGER NOT NULL DEFAULT 0,
    risposta TEXT NOT NULL DEFAULT '',
    message_id TEXT NOT NULL DEFAULT '',
    tentativi INTEGER NOT NULL DEFAULT 0,
    aggiornata TEXT NOT NULL,
    PRIMARY KEY(spedizione, posizione));
CREATE TABLE IF NOT EXISTS campi_voci(
    spedizione INTEGER NOT NULL,
    posizione INTEGER NOT NULL,
    nome TEXT NOT NULL,
    valore TEXT NOT NULL,
    PRIMARY KEY(spedizione, posizione, nome),
    FOREIGN KEY(spedizione, posizione) REFERENCES voci(spedizione, posizione));
CREATE TABLE IF NOT EXISTS prese(
    spedizione INTEGER PRIMARY KEY,
    pid INTEGER NOT NULL,
    host TEXT NOT NULL,
    avvio TEXT NOT NULL,
    gettone TEXT NOT NULL,
    scadenza INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS turni(
    account TEXT NOT NULL,
    istante INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS turni_account ON turni(account, istante);
)";

// Marks the file as this program's journal.
constexpr const char* Marchio = "PRAGMA application_id = 1112692297";
constexpr std::int64_t NumeroMarchio = 1112692297;

constexpr const char* StatiServiti = "('in corso', 'inviato', 'incerto', 'rimbalzato')";

std::string Adesso() {
    return OraCorrente("%Y-%m-%d %H:%M:%S", TFuso::Utc);
}

std::int64_t AdessoMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string NomeHost() {
    char nome[256] = {};
    if (gethostname(nome, sizeof nome - 1) != 0) return "?";
    return nome;
}

// When a process started, in clock ticks since boot: with the PID it names
// the process even after the PID is reused. Empty when unknown.
std::string AvvioProcesso(std::int64_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string riga;
    if (!std::getline(in, riga)) return {};
    // The name in parentheses may hold spaces: count fields after its end.
    std::size_t i = riga.rfind(')');
    if (i == std::string::npos) return {};
    std::istringstream resto(riga.substr(i + 1));
    std::string campo;
    for (int n = 3; n <= 22 && resto >> campo; ++n)
        if (n == 22) return campo;
    return {};
}

bool ProcessoVivo(std::int64_t pid, const std::string& avvio) {
    if (pid <= 0) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
    const std::string ora = AvvioProcesso(pid);
    return avvio.empty() || ora.empty() || ora == avvio;
}

std::string NuovoGettone() {
    std::random_device caso;
    std::string gettone;
    for (int i = 0; i < 4; ++i) gettone += std::to_string(caso()) + '-';
    return gettone + std::to_string(::getpid());
}

struct TRigaPresa {
    std::int64_t Pid = 0;
    std::string Host;
    std::string Avvio;
    std::string Gettone;
    std::int64_t Scadenza = 0;
    // Its process may still work the run: lease running, and on this host
    // the process still there.
    bool Viva() const {
        if (Scadenza <= AdessoMs()) return false;
        return Host != NomeHost() || ProcessoVivo(Pid, Avvio);
    }
};

// A field of the exports: ";" separates, as in the contacts export, so an
// Italian spreadsheet opens it in columns; a cell that would run as a formula
// gets an apostrophe in front.
std::string CampoCsv(const std::string& valore) {
    std::string campo = SembraFormula(valore) ? "'" + valore : valore;
    if (campo.find_first_of(";\"\r\n") == std::string::npos) return campo;
    std::string out = "\"";
    for (char c : campo) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

}  // namespace

namespace {

[[noreturn]] void ErroreRegistro(const std::string& testo) {
    throw ERegistroInvii(testo);
}

namespace fs = std::filesystem;

// Journals put aside next to `file`.
std::vector<fs::path> MessiDaParte(const fs::path& file) {
    std::vector<fs::path> trovati;
    const std::string prefisso = file.filename().string() + ".guasto-";
    std::error_code ec;
    for (const auto& voce : fs::directory_iterator(file.parent_path(), ec)) {
        const std::string nome = voce.path().filename().string();
        if (nome.rfind(prefisso, 0) == 0 && !nome.ends_with("-wal") && !nome.ends_with("-shm"))
            trovati.push_back(voce.path());
    }
    std::sort(trovati.begin(), trovati.end());
    return trovati;
}

// Renames the journal (and its side files) with the date; returns the name.
fs::path MettiDaParte(const fs::path& file) {
    fs::path dove = file;
    dove += ".guasto-" + OraCorrente("%Y%m%d-%H%M%S", TFuso::Locale);
    for (int n = 2; fs::exists(dove) && n < 1000; ++n) {
        dove = file;
        dove += ".guasto-" + OraCorrente("%Y%m%d-%H%M%S", TFuso::Locale) + "-" + std::to_string(n);
    }
    std::error_code ec;
    fs::rename(file, dove, ec);
    if (ec)
        ErroreRegistro("Il registro degli invii " + file.string() +
                       " non è leggibile e non si riesce a metterlo da parte (" + ec.message() +
                       "): nessun invio parte finché non lo si toglie dalla cartella");
    for (const char* lato : {"-wal", "-shm"}) {
        fs::path da = file, a = dove;
        da += lato;
        a += lato;
        if (fs::exists(da, ec)) fs::rename(da, a, ec);
    }
    return dove;
}

// What is wrong with an existing journal file; empty when it reads as one.
std::string Difetto(const fs::path& file) {
    std::error_code ec;
    if (fs::file_size(file, ec) == 0 && !ec) return "è vuoto (0 byte)";
    {
        std::ifstream in(file, std::ios::binary);
        char testa[16] = {};
        in.read(testa, sizeof testa);
        if (in.gcount() < 16 || std::string(testa, 16) != std::string("SQLite format 3\0", 16))
            return "non è un registro degli invii (è di un altro programma o è guasto)";
    }
    try {
        // Reads only: a file that may be no journal is left as it is.
        TBaseDati db(file, TOpzioniBaseDati{});
        {
            TComandoSql controllo(db, "PRAGMA quick_check");
            if (!controllo.Passo() || controllo.ColonnaTesto(0) != "ok")
                return "è danneggiato (" + controllo.ColonnaTesto(0) + ")";
        }
        TComandoSql marchio(db, "PRAGMA application_id");
        const std::int64_t id = marchio.Passo() ? marchio.ColonnaIntero(0) : 0;
        if (id != 0 && id != NumeroMarchio) return "appartiene a un altro programma";
        std::set<std::string> tabelle;
        TComandoSql elenco(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
        while (elenco.Passo()) tabelle.insert(elenco.ColonnaTesto(0));
        if (tabelle.empty()) return "è vuoto (nessuna tabella)";
        if (!tabelle.count("spedizioni") || !tabelle.count("voci"))
            return "appartiene a un altro programma";
    } catch (const EBaseDati& e) {
        return "è danneggiato (" + std::string(e.what()) + ")";
    }
    return {};
}

// A new journal, whole before it takes the name: a crash never leaves an
// empty file behind.
void CreaRegistro(const fs::path& file) {
    fs::path nuovo = file;
    nuovo += ".nuovo-" + std::to_string(::getpid());
    std::error_code ec;
    for (const char* lato : {"", "-wal", "-shm"}) fs::remove(nuovo.string() + lato, ec);
    {
        TBaseDati db(nuovo, OpzioniRegistroInvii(/*crea=*/true));
        db.Esegui(Marchio);
        db.Esegui(Schema);
    }
    // Another process may have made one meanwhile: theirs stays.
    if (::link(nuovo.c_str(), file.c_str()) != 0 && errno != EEXIST)
        ErroreRegistro("Impossibile creare il registro degli invii " + file.string() + ": " +
                       std::strerror(errno));
    fs::remove(nuovo, ec);
}

// The journal's file, checked: made when none existed, refused and put aside
// when it is not a journal.
const fs::path& RegistroControllato(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        const auto daParte = MessiDaParte(file);
        if (!daParte.empty())
            ErroreRegistro("Il registro degli invii è stato messo da parte come " +
                           daParte.back().string() +
                           " perché illeggibile: nessun invio parte, perché non si saprebbe a "
                           "chi il messaggio è già arrivato. Per cominciare un registro nuovo, "
                           "spostare quel file in un'altra cartella.");
        CreaRegistro(file);
        return file;
    }
    const std::string difetto = Difetto(file);
    if (difetto.empty()) return file;
    const fs::path dove = MettiDaParte(file);
    ErroreRegistro("Il registro degli invii " + file.string() + " " + difetto +
                   ": nessun invio parte, perché non si saprebbe a chi il messaggio è già "
                   "arrivato. Il file è stato messo da parte come " +
                   dove.string() +
                   " per un controllo; per cominciare un registro nuovo, spostarlo in "
                   "un'altra cartella.");
}

}  // namespace

TOpzioniBaseDati OpzioniRegistroInvii(bool crea) {
    TOpzioniBaseDati opzioni;
    opzioni.Crea = crea;
    opzioni.Wal = true;
    // Every commit reaches the disk before the dialogue goes on.
    opzioni.SincroniaPiena = true;
    opzioni.Solleva = [](const EBaseDati& e) { throw ERegistroInvii(e); };
    return opzioni;
}

TRegistroInvii::TRegistroInvii(const std::filesystem::path& file)
    : db_(RegistroControllato(file), OpzioniRegistroInvii(/*crea=*/true)) {
    db_.Esegui(Schema);
    AggiungiColonneMancanti();
}

TRegistroInvii::~TRegistroInvii() {
    FermaRinnovo();
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [spedizione, gettone] : prese_) {
        try {
            TComandoSql via(db_, "DELETE FROM prese WHERE spedizione=? AND gettone=?");
            via.Intero(1, spedizione).Testo(2, gettone).Esegui();
        } catch (const EBaseDati&) {
            // The lease runs out by itself.
        }
    }
}

std::filesystem::path TRegistroInvii::Percorso(const std::filesystem::path& radiceDati) {
    return radiceDati / "RegistroInvii.sqlite";
}

void TRegistroInvii::AggiungiColonneMancanti() {
    struct TColonna {
        const char* Tabella;
        const char* Nome;
        const char* Aggiunta;
    };
    static constexpr TColonna Colonne[] = {
        {"voci", "message_id", "ALTER TABLE voci ADD COLUMN message_id TEXT NOT NULL DEFAULT ''"},
        {"voci", "motivo", "ALTER TABLE voci ADD COLUMN motivo TEXT NOT NULL DEFAULT ''"},
        {"voci", "chiave", "ALTER TABLE voci ADD COLUMN chiave TEXT NOT NULL DEFAULT ''"},
        {"spedizioni", "impronta",
         "ALTER TABLE spedizioni ADD COLUMN impronta TEXT NOT NULL DEFAULT ''"},
        {"spedizioni", "reinvio",
         "ALTER TABLE spedizioni ADD COLUMN reinvio INTEGER NOT NULL DEFAULT 0"},
        {"voci", "impronta", "ALTER TABLE voci ADD COLUMN impronta TEXT NOT NULL DEFAULT ''"},
    };
    const auto presenti = [this] {
        std::set<std::string> nomi;
        for (const char* tabella : {"voci", "spedizioni"}) {
            TComandoSql c(db_, "SELECT name FROM pragma_table_info(?)");
            c.Testo(1, tabella);
            while (c.Passo()) nomi.insert(std::string(tabella) + "." + c.ColonnaTesto(0));
        }
        return nomi;
    };
    const auto manca = [](const std::set<std::string>& nomi) {
        for (const TColonna& colonna : Colonne)
            if (!nomi.count(std::string(colonna.Tabella) + "." + colonna.Nome)) return true;
        return false;
    };
    // Most openings find every column: no write lock for them.
    if (!manca(presenti())) return;
    // Read again within the transaction: two processes opening a journal at
    // once must not both add a column.
    TTransazione t(db_);
    const auto nomi = presenti();
    for (const TColonna& colonna : Colonne)
        if (!nomi.count(std::string(colonna.Tabella) + "." + colonna.Nome))
            db_.Esegui(colonna.Aggiunta);
    // Entries of older journals get the address they compare by.
    std::vector<std::tuple<std::int64_t, std::int64_t, std::string>> senza;
    {
        TComandoSql c(db_, "SELECT spedizione, posizione, voce FROM voci WHERE chiave = ''");
        while (c.Passo())
            senza.emplace_back(c.ColonnaIntero(0), c.ColonnaIntero(1), c.ColonnaTesto(2));
    }
    TComandoSql scrivi(db_, "UPDATE voci SET chiave=? WHERE spedizione=? AND posizione=?");
    for (const auto& [spedizione, posizione, voce] : senza) {
        scrivi.Azzera();
        scrivi.Testo(1, ChiaveIndirizzo(voce)).Intero(2, spedizione).Intero(3, posizione).Esegui();
    }
    // Entries of runs that had one message for all take its Impronta.
    db_.Esegui(
        "UPDATE voci SET impronta = (SELECT s.impronta FROM spedizioni s WHERE s.id = "
        "voci.spedizione) WHERE impronta = ''");
    db_.Esegui("CREATE INDEX IF NOT EXISTS voci_chiave ON voci(chiave)");
    t.Conferma();
}

void TRegistroInvii::Errore(const std::string& cosa) const {
    throw ERegistroInvii("Registro degli invii: " + cosa);
}

// ---- claims

void TRegistroInvii::ControllaPresa(std::int64_t spedizione) {
    TComandoSql c(db_, "SELECT pid, host, avvio, gettone, scadenza FROM prese WHERE spedizione=?");
    c.Intero(1, spedizione);
    const auto nostra = prese_.find(spedizione);
    if (!c.Passo()) return;
    TRigaPresa riga{c.ColonnaIntero(0), c.ColonnaTesto(1), c.ColonnaTesto(2), c.ColonnaTesto(3),
                    c.ColonnaIntero(4)};
    if (nostra != prese_.end()) {
        if (nostra->second == riga.Gettone) return;
        prese_.erase(nostra);
        Errore("l'invio " + std::to_string(spedizione) + " è passato al processo " +
               std::to_string(riga.Pid) + " su " + riga.Host + ": questo processo si ferma");
    }
    if (riga.Viva())
        Errore("l'invio " + std::to_string(spedizione) + " è in corso nel processo " +
               std::to_string(riga.Pid) + " su " + riga.Host);
}

void TRegistroInvii::PrendiBloccato(std::int64_t spedizione) {
    TComandoSql c(db_, "SELECT pid, host, avvio, gettone, scadenza FROM prese WHERE spedizione=?");
    c.Intero(1, spedizione);
    const auto nostra = prese_.find(spedizione);
    if (c.Passo()) {
        TRigaPresa riga{c.ColonnaIntero(0), c.ColonnaTesto(1), c.ColonnaTesto(2), c.ColonnaTesto(3),
                        c.ColonnaIntero(4)};
        const bool giaNostra = nostra != prese_.end() && nostra->second == riga.Gettone;
        if (!giaNostra && riga.Viva())
            Errore("l'invio " + std::to_string(spedizione) + " è già in corso nel processo " +
                   std::to_string(riga.Pid) + " su " + riga.Host);
    }
    const std::string gettone = nostra != prese_.end() ? nostra->second : NuovoGettone();
    TComandoSql scrivi(db_, "INSERT OR REPLACE INTO prese VALUES(?,?,?,?,?,?)");
    scrivi.Intero(1, spedizione)
        .Intero(2, ::getpid())
        .Testo(3, NomeHost())
        .Testo(4, AvvioProcesso(::getpid()))
        .Testo(5, gettone)
        .Intero(6, AdessoMs() + durataPresa_.count())
        .Esegui();
    prese_[spedizione] = gettone;
}

void TRegistroInvii::Prendi(std::int64_t spedizione) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        TTransazione t(db_);
        PrendiBloccato(spedizione);
        t.Conferma();
    }
    AvviaRinnovo();
}

void TRegistroInvii::Rilascia(std::int64_t spedizione) {
    bool nessuna = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto nostra = prese_.find(spedizione);
        if (nostra == prese_.end()) return;
        TComandoSql via(db_, "DELETE FROM prese WHERE spedizione=? AND gettone=?");
        via.Intero(1, spedizione).Testo(2, nostra->second).Esegui();
        prese_.erase(nostra);
        nessuna = prese_.empty();
    }
    if (nessuna) FermaRinnovo();
}

std::optional<TTitolarePresa> TRegistroInvii::Titolare(std::int64_t spedizione) const {
    std::lock_guard<std::mutex> lock(mutex_);
    TComandoSql c(db_, "SELECT pid, host, avvio, gettone, scadenza FROM prese WHERE spedizione=?");
    c.Intero(1, spedizione);
    if (!c.Passo()) return std::nullopt;
    TRigaPresa riga{c.ColonnaIntero(0), c.ColonnaTesto(1), c.ColonnaTesto(2), c.ColonnaTesto(3),
                    c.ColonnaIntero(4)};
    if (!riga.Viva()) return std::nullopt;
    const auto nostra = prese_.find(spedizione);
    return TTitolarePresa{riga.Pid, riga.Host, riga.Scadenza,
                          nostra != prese_.end() && nostra->second == riga.Gettone};
}

void TRegistroInvii::DurataPresa(std::chrono::milliseconds durata) {
    std::lock_guard<std::mutex> lock(mutex_);
    durataPresa_ = std::max(durata, std::chrono::milliseconds(30));
}

void TRegistroInvii::AvviaRinnovo() {
    std::lock_guard<std::mutex> vita(vitaRinnovo_);
    if (rinnovo_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fermaRinnovo_ = false;
    }
    rinnovo_ = std::thread([this] {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!fermaRinnovo_) {
            sveglia_.wait_for(lock, durataPresa_ / 3);
            if (fermaRinnovo_) break;
            for (auto it = prese_.begin(); it != prese_.end();) {
                try {
                    TComandoSql c(db_,
                                  "UPDATE prese SET scadenza=? WHERE spedizione=? AND gettone=?");
                    c.Intero(1, AdessoMs() + durataPresa_.count())
                        .Intero(2, it->first)
                        .Testo(3, it->second)
                        .Esegui();
                    // Taken over while this process stalled: it is not ours.
                    if (db_.Modificate() == 0) {
                        it = prese_.erase(it);
                        continue;
                    }
                } catch (const EBaseDati&) {
                    // Busy: the next round tries again, well within the lease.
                }
                ++it;
            }
        }
    });
}

void TRegistroInvii::FermaRinnovo() {
    std::lock_guard<std::mutex> vita(vitaRinnovo_);
    if (!rinnovo_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fermaRinnovo_ = true;
    }
    sveglia_.notify_all();
    rinnovo_.join();
}

// ---- runs and entries

std::int64_t TRegistroInvii::NuovaSpedizione(const TDatiSpedizione& dati,
                                             const std::vector<std::string>& voci,
                                             const std::vector<TCampiContatto>& campi,
                                             const std::vector<TMotivoEsclusione>& esclusioni,
                                             const TImprontaSpedizione& impronta) {
    std::int64_t id = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        TTransazione t(db_);
        const std::string adesso = Adesso();
        TComandoSql run(db_,
                        "INSERT INTO spedizioni(creata, account, mittente, oggetto, riga1, riga2, "
                        "riga3, riga4, riga5, riga6, riga7, riga8, impronta, reinvio) "
                        "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        run.Testo(1, adesso).Testo(2, dati.Account).Testo(3, dati.Mittente).Testo(4, dati.Oggetto);
        for (int n = 0; n < 8; ++n) run.Testo(5 + n, dati.Righe[static_cast<std::size_t>(n)]);
        run.Testo(13, impronta.Impronta).Intero(14, impronta.Reinvio ? 1 : 0);
        run.Passo();
        id = db_.UltimoId();
        TComandoSql riga(db_,
                         "INSERT INTO voci(spedizione, posizione, voce, stato, aggiornata, motivo, "
                         "chiave, impronta) VALUES(?,?,?,?,?,?,?,?)");
        for (std::size_t i = 0; i < voci.size(); ++i) {
            const TMotivoEsclusione motivo =
                i < esclusioni.size() ? esclusioni[i] : TMotivoEsclusione::Nessuno;
            riga.Azzera();
            riga.Intero(1, id)
                .Intero(2, static_cast<std::int64_t>(i))
                .Testo(3, voci[i])
                .Testo(4, NomeStato(motivo == TMotivoEsclusione::Nessuno ? TStatoVoce::DaInviare
                                                                         : TStatoVoce::Escluso))
                .Testo(5, adesso)
                .Testo(6, NomeMotivo(motivo))
                .Testo(7, ChiaveIndirizzo(voci[i]))
                .Testo(8, i < impronta.PerVoce.size() ? impronta.PerVoce[i] : impronta.Impronta);
            riga.Passo();
        }
        TComandoSql campo(
            db_, "INSERT INTO campi_voci(spedizione, posizione, nome, valore) VALUES(?,?,?,?)");
        for (std::size_t i = 0; i < campi.size() && i < voci.size(); ++i)
            for (const auto& [nome, valore] : campi[i]) {
                campo.Azzera();
                campo.Intero(1, id)
                    .Intero(2, static_cast<std::int64_t>(i))
                    .Testo(3, nome)
                    .Testo(4, valore);
                campo.Passo();
            }
        PrendiBloccato(id);
        t.Conferma();
    }
    AvviaRinnovo();
    return id;
}

TStatoVoce TRegistroInvii::Sposta(std::int64_t spedizione, std::size_t posizione, TStatoVoce stato,
                                  int codice, const std::string& risposta,
                                  const std::string& messageId, TMotivoEsclusione motivo) {
    TComandoSql leggi(db_, "SELECT stato FROM voci WHERE spedizione=? AND posizione=?");
    leggi.Intero(1, spedizione).Intero(2, static_cast<std::int64_t>(posizione));
    if (!leggi.Passo()) Errore("voce " + std::to_string(posizione) + " assente");
    const auto da = StatoDaNome(leggi.ColonnaTesto(0));
    if (!da) Errore("stato sconosciuto \"" + leggi.ColonnaTesto(0) + "\"");
    if (!TransizioneAmmessa(*da, stato))
        Errore(std::string("passaggio non ammesso da \"") + NomeStato(*da) + "\" a \"" +
               NomeStato(stato) + "\"");
    TComandoSql scrivi(db_,
                       "UPDATE voci SET stato=?, codice=?, risposta=?, aggiornata=?, "
                       "tentativi=tentativi+?, message_id=COALESCE(NULLIF(?, ''), message_id), "
                       "motivo=? WHERE spedizione=? AND posizione=?");
    scrivi.Testo(1, NomeStato(stato))
        .Intero(2, codice)
        .Testo(3, risposta)
        .Testo(4, Adesso())
        .Intero(5, stato == TStatoVoce::InCorso && *da != TStatoVoce::InCorso ? 1 : 0)
        .Testo(6, messageId)
        .Testo(7, stato == TStatoVoce::Escluso ? NomeMotivo(motivo) : "")
        .Intero(8, spedizione)
        .Intero(9, static_cast<std::int64_t>(posizione));
    scrivi.Passo();
    return *da;
}

void TRegistroInvii::Segna(std::int64_t spedizione, std::size_t posizione, TStatoVoce stato,
                           int codice, const std::string& risposta, const std::string& messageId) {
    std::lock_guard<std::mutex> lock(mutex_);
    TTransazione t(db_);
    // Only a message going out, or an entry queued again, needs the run:
    // a bounce or a note may be recorded while another process holds it.
    if (stato == TStatoVoce::InCorso || stato == TStatoVoce::DaInviare) ControllaPresa(spedizione);
    Sposta(spedizione, posizione, stato, codice, risposta, messageId,
           stato == TStatoVoce::Escluso ? TMotivoEsclusione::Scelta : TMotivoEsclusione::Nessuno);
    t.Conferma();
}

void TRegistroInvii::Escludi(std::int64_t spedizione, std::size_t posizione,
                             TMotivoEsclusione motivo) {
    std::lock_guard<std::mutex> lock(mutex_);
    TTransazione t(db_);
    ControllaPresa(spedizione);
    Sposta(spedizione, posizione, TStatoVoce::Escluso, 0, TestoMotivo(motivo), {}, motivo);
    t.Conferma();
}

TAvvioVoce TRegistroInvii::Avvia(std::int64_t spedizione, std::size_t posizione,
                                 const std::string& messageId) {
    std::lock_guard<std::mutex> lock(mutex_);
    TTransazione t(db_);
    ControllaPresa(spedizione);
    TComandoSql leggi(db_,
                      "SELECT v.stato, v.motivo, v.chiave, v.impronta, s.reinvio FROM voci v "
                      "JOIN spedizioni s ON s.id = v.spedizione "
                      "WHERE v.spedizione=? AND v.posizione=?");
    leggi.Intero(1, spedizione).Intero(2, static_cast<std::int64_t>(posizione));
    if (!leggi.Passo()) Errore("voce " + std::to_string(posizione) + " assente");
    const auto stato = StatoDaNome(leggi.ColonnaTesto(0));
    if (!stato || !DaSpedire(*stato)) return {false, MotivoDaNome(leggi.ColonnaTesto(1))};
    const std::string chiave = leggi.ColonnaTesto(2);
    const std::string impronta = leggi.ColonnaTesto(3);
    const bool reinvio = leggi.ColonnaIntero(4) != 0;
    // The same address earlier served in this run; with an Impronta, in any
    // recent run.
    TComandoSql gia(db_,
                    std::string("SELECT v.spedizione FROM voci v WHERE v.chiave = ? AND "
                                "v.stato IN ") +
                        StatiServiti +
                        " AND NOT (v.spedizione = ? AND v.posizione = ?) AND (v.spedizione = ? "
                        "OR (? <> '' AND ? = 0 AND v.impronta = ? AND v.aggiornata >= "
                        "datetime('now', ?))) ORDER BY v.spedizione = ? DESC LIMIT 1");
    gia.Testo(1, chiave)
        .Intero(2, spedizione)
        .Intero(3, static_cast<std::int64_t>(posizione))
        .Intero(4, spedizione)
        .Testo(5, impronta)
        .Intero(6, reinvio ? 1 : 0)
        .Testo(7, impronta)
        .Testo(8, "-" + std::to_string(GiorniGiaServito) + " days")
        .Intero(9, spedizione);
    if (gia.Passo()) {
        const TMotivoEsclusione motivo = gia.ColonnaIntero(0) == spedizione
                                             ? TMotivoEsclusione::Doppione
                                             : TMotivoEsclusione::GiaServito;
        Sposta(spedizione, posizione, TStatoVoce::Escluso, 0, TestoMotivo(motivo), {}, motivo);
        t.Conferma();
        return {false, motivo};
    }
    Sposta(spedizione, posizione, TStatoVoce::InCorso, 0, {}, messageId,
           TMotivoEsclusione::Nessuno);
    t.Conferma();
    return {true, TMotivoEsclusione::Nessuno};
}

void TRegistroInvii::Chiudi(std::int64_t spedizione) {
    for (const auto& v : Voci(spedizione)) {
        if (DaSpedire(v.Stato))
            Escludi(spedizione, v.Posizione, TMotivoEsclusione::Scelta);
        else if (v.Stato == TStatoVoce::InCorso)
            Segna(spedizione, v.Posizione, TStatoVoce::Incerto, v.Codice, v.Risposta);
    }
    Rilascia(spedizione);
}

std::vector<TGiaServito> TRegistroInvii::GiaServiti(const std::vector<std::string>& voci,
                                                    const std::vector<std::string>& impronte,
                                                    int giorni) const {
    std::vector<TGiaServito> serviti;
    std::lock_guard<std::mutex> lock(mutex_);
    TComandoSql c(db_,
                  std::string("SELECT v.spedizione, v.aggiornata FROM voci v WHERE v.chiave = ? "
                              "AND v.impronta = ? AND v.stato IN ") +
                      StatiServiti +
                      " AND v.aggiornata >= datetime('now', ?) ORDER BY v.aggiornata DESC "
                      "LIMIT 1");
    const std::string da = "-" + std::to_string(giorni) + " days";
    for (std::size_t i = 0; i < voci.size() && i < impronte.size(); ++i) {
        if (impronte[i].empty()) continue;
        c.Azzera();
        c.Testo(1, ChiaveIndirizzo(voci[i])).Testo(2, impronte[i]).Testo(3, da);
        if (c.Passo()) serviti.push_back({i, c.ColonnaIntero(0), c.ColonnaTesto(1)});
    }
    return serviti;
}

std::optional<std::chrono::system_clock::time_point> TRegistroInvii::PrenotaTurno(
    const std::string& account, const TLimitiInvio& limiti,
    std::chrono::system_clock::time_point adesso) const {
    using std::chrono::milliseconds;
    const std::int64_t ora =
        std::chrono::duration_cast<milliseconds>(adesso.time_since_epoch()).count();
    struct TFinestra {
        int Limite;
        std::int64_t DurataMs;
    };
    const TFinestra finestre[] = {
        {limiti.PerMinuto, 60000}, {limiti.PerOra, 3600000}, {limiti.PerGiorno, 86400000}};
    std::lock_guard<std::mutex> lock(mutex_);
    TTransazione t(db_);
    TComandoSql sfoltisci(db_, "DELETE FROM turni WHERE istante <= ?");
    sfoltisci.Intero(1, ora - 86400000).Esegui();
    std::int64_t quando = ora;
    for (const TFinestra& f : finestre) {
        if (f.Limite <= 0) continue;
        // With `Limite` starts in the window the next waits until the oldest
        // of the newest `Limite` has left it.
        TComandoSql c(db_,
                      "SELECT istante FROM turni WHERE account = ? AND istante > ? "
                      "ORDER BY istante DESC LIMIT 1 OFFSET ?");
        c.Testo(1, account).Intero(2, ora - f.DurataMs).Intero(3, f.Limite - 1);
        if (c.Passo()) quando = std::max(quando, c.ColonnaIntero(0) + f.DurataMs);
    }
    if (limiti.PausaSecondi > 0) {
        TComandoSql c(db_, "SELECT MAX(istante) FROM turni WHERE account = ?");
        c.Testo(1, account);
        if (c.Passo() && !c.ColonnaNulla(0))
            quando =
                std::max(quando, c.ColonnaIntero(0) + std::int64_t{limiti.PausaSecondi} * 1000);
    }
    if (quando > ora) return std::chrono::system_clock::time_point(milliseconds(quando));
    TComandoSql segna(db_, "INSERT INTO turni(account, istante) VALUES(?, ?)");
    segna.Testo(1, account).Intero(2, ora).Esegui();
    t.Conferma();
    return std::nullopt;
}

std::vector<TSpedizioneRegistrata> TRegistroInvii::Spedizioni() const {
    std::vector<TSpedizioneRegistrata> elenco;
    std::vector<std::int64_t> ids;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        TComandoSql c(db_, "SELECT id FROM spedizioni ORDER BY id DESC");
        while (c.Passo()) ids.push_back(c.ColonnaIntero(0));
    }
    for (std::int64_t id : ids) elenco.push_back(Spedizione(id));
    return elenco;
}

TSpedizioneRegistrata TRegistroInvii::Spedizione(std::int64_t id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    TComandoSql c(db_,
                  "SELECT creata, account, mittente, oggetto, riga1, riga2, riga3, riga4, riga5, "
                  "riga6, riga7, riga8, impronta, reinvio FROM spedizioni WHERE id=?");
    c.Intero(1, id);
    if (!c.Passo()) Errore("invio " + std::to_string(id) + " assente");
    TSpedizioneRegistrata s;
    s.Id = id;
    s.Creata = c.ColonnaTesto(0);
    s.Dati.Account = c.ColonnaTesto(1);
    s.Dati.Mittente = c.ColonnaTesto(2);
    s.Dati.Oggetto = c.ColonnaTesto(3);
    for (int n = 0; n < 8; ++n) s.Dati.Righe[static_cast<std::size_t>(n)] = c.ColonnaTesto(4 + n);
    s.Impronta.Impronta = c.ColonnaTesto(12);
    s.Impronta.Reinvio = c.ColonnaIntero(13) != 0;
    TComandoSql conta(db_, "SELECT stato, COUNT(*) FROM voci WHERE spedizione=? GROUP BY stato");
    conta.Intero(1, id);
    while (conta.Passo()) {
        const auto stato = StatoDaNome(conta.ColonnaTesto(0));
        const auto n = static_cast<std::size_t>(conta.ColonnaIntero(1));
        s.Voci += n;
        if (!stato) continue;
        s.PerStato[static_cast<std::size_t>(*stato)] += n;
        if (*stato == TStatoVoce::Inviato) s.Inviate += n;
        if (DaSpedire(*stato)) s.DaFare += n;
        if (*stato == TStatoVoce::InCorso) s.Incerte += n;
        if (*stato == TStatoVoce::Fallito) s.Fallite += n;
    }
    return s;
}

std::vector<TVoceRegistrata> TRegistroInvii::Voci(std::int64_t spedizione) const {
    std::lock_guard<std::mutex> lock(mutex_);
    TComandoSql c(db_,
                  "SELECT posizione, voce, stato, codice, risposta, message_id, tentativi, "
                  "aggiornata, motivo, chiave FROM voci WHERE spedizione=? ORDER BY posizione");
    c.Intero(1, spedizione);
    std::vector<TVoceRegistrata> voci;
    while (c.Passo()) {
        TVoceRegistrata v;
        v.Posizione = static_cast<std::size_t>(c.ColonnaIntero(0));
        v.Voce = c.ColonnaTesto(1);
        const auto stato = StatoDaNome(c.ColonnaTesto(2));
        if (!stato) Errore("stato sconosciuto \"" + c.ColonnaTesto(2) + "\"");
        v.Stato = *stato;
        v.Codice = static_cast<int>(c.ColonnaIntero(3));
        v.Risposta = c.ColonnaTesto(4);
        v.MessageId = c.ColonnaTesto(5);
        v.Tentativi = static_cast<int>(c.ColonnaIntero(6));
        v.Aggiornata = c.ColonnaTesto(7);
        v.Motivo = MotivoDaNome(c.ColonnaTesto(8));
        v.Chiave = c.ColonnaTesto(9);
        voci.push_back(std::move(v));
    }
    TComandoSql campi(db_, "SELECT posizione, nome, valore FROM campi_voci WHERE spedizione=?");
    campi.Intero(1, spedizione);
    while (campi.Passo()) {
        const auto posizione = static_cast<std::size_t>(campi.ColonnaIntero(0));
        // Positions run 0, 1, 2 ... so the entry sits at its own index.
        if (posizione < voci.size() && voci[posizione].Posizione == posizione)
            voci[posizione].Campi[campi.ColonnaTesto(1)] = campi.ColonnaTesto(2);
    }
    return voci;
}

std::optional<std::int64_t> TRegistroInvii::SpedizioneIncompiuta() const {
    std::lock_guard<std::mutex> lock(mutex_);
    TComandoSql c(db_,
                  "SELECT MAX(spedizione) FROM voci WHERE stato IN ('da inviare', 'rinviato', "
                  "'in corso')");
    // MAX of no rows is NULL, read as 0: no run has id 0.
    const std::int64_t id = c.Passo() ? c.ColonnaIntero(0) : 0;
    if (id == 0) return std::nullopt;
    return id;
}

std::vector<std::size_t> TRegistroInvii::Riprendi(std::int64_t spedizione, bool ancheIncerti) {
    Prendi(spedizione);
    for (const auto& v : Voci(spedizione))
        if (v.Stato == TStatoVoce::InCorso)
            Segna(spedizione, v.Posizione,
                  ancheIncerti ? TStatoVoce::DaInviare : TStatoVoce::Incerto, v.Codice, v.Risposta);
    std::vector<std::size_t> posizioni;
    for (const auto& v : Voci(spedizione))
        if (DaSpedire(v.Stato)) posizioni.push_back(v.Posizione);
    return posizioni;
}

std::vector<std::size_t> TRegistroInvii::ReinviaFalliti(std::int64_t spedizione) {
    Prendi(spedizione);
    std::vector<std::size_t> posizioni;
    for (const auto& v : Voci(spedizione))
        if (v.Stato == TStatoVoce::Fallito) {
            Segna(spedizione, v.Posizione, TStatoVoce::DaInviare, v.Codice, v.Risposta);
            posizioni.push_back(v.Posizione);
        }
    return posizioni;
}

namespace {

constexpr const char* IntestazioneVociCsv =
    "Posizione;Voce;Stato;Codice;Risposta;Message-ID;Tentativi;Aggiornata";
// The byte order mark tells a spreadsheet the file is UTF-8.
constexpr const char* InizioCsv = "\xEF\xBB\xBF";

void ScriviVociCsv(std::ostream& out, const std::vector<TVoceRegistrata>& voci,
                   const std::string& prefisso) {
    for (const auto& v : voci)
        out << prefisso << v.Posizione + 1 << ';' << CampoCsv(v.Voce) << ';' << NomeStato(v.Stato)
            << ';' << v.Codice << ';' << CampoCsv(v.Risposta) << ';' << CampoCsv(v.MessageId) << ';'
            << v.Tentativi << ';' << v.Aggiornata << "\r\n";
}

}  // namespace

void TRegistroInvii::EsportaCsv(std::int64_t spedizione, const std::filesystem::path& file) const {
    const auto voci = Voci(spedizione);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) Errore("impossibile scrivere " + file.string());
    out << InizioCsv << IntestazioneVociCsv << "\r\n";
    ScriviVociCsv(out, voci, std::string());
    out.flush();
    if (!out) Errore("impossibile scrivere " + file.string());
}

void TRegistroInvii::EsportaTuttoCsv(const std::filesystem::path& file) const {
    auto spedizioni = Spedizioni();
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) Errore("impossibile scrivere " + file.string());
    out << InizioCsv << "Invio;Creata;Oggetto;" << IntestazioneVociCsv << "\r\n";
    for (auto s = spedizioni.rbegin(); s != spedizioni.rend(); ++s)
        ScriviVociCsv(
            out, Voci(s->Id),
            std::to_string(s->Id) + ';' + s->Creata + ';' + CampoCsv(s->Dati.Oggetto) + ';');
    out.flush();
    if (!out) Errore("impossibile scrivere " + file.string());
}

std::vector<std::int64_t> TRegistroInvii::InviiDal(const std::string& account,
                                                   std::int64_t dal) const {
    std::lock_guard<std::mutex> lock(mutex_);
    TComandoSql c(
        db_,
        "SELECT t FROM (SELECT CAST(strftime('%s', v.aggiornata) AS INTEGER) AS t "
        "FROM voci v JOIN spedizioni s ON s.id = v.spedizione "
        "WHERE s.account = ? AND v.stato IN ('inviato', 'in corso', 'incerto', 'rimbalzato')) "
        "WHERE t >= ? ORDER BY t");
    c.Testo(1, account).Intero(2, dal);
    std::vector<std::int64_t> istanti;
    while (c.Passo()) istanti.push_back(c.ColonnaIntero(0));
    return istanti;
}

}  // namespace brivano
