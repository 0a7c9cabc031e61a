#include "workflow/RegistroInvii.h"

#include <algorithm>
#include <ctime>
#include <fstream>

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
)";

std::string Adesso() {
    const std::time_t t = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char testo[32];
    std::strftime(testo, sizeof testo, "%Y-%m-%d %H:%M:%S", &utc);
    return testo;
}

std::string CampoCsv(const std::string& campo) {
    if (campo.find_first_of(",\"\r\n") == std::string::npos) return campo;
    std::string out = "\"";
    for (char c : campo) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

}  // namespace

namespace {

TOpzioniBaseDati OpzioniRegistro() {
    TOpzioniBaseDati opzioni;
    opzioni.Crea = true;
    opzioni.Wal = true;
    // Every commit reaches the disk before the dialogue goes on.
    opzioni.SincroniaPiena = true;
    opzioni.Solleva = [](const EBaseDati& e) { throw ERegistroInvii(e); };
    return opzioni;
}

}  // namespace

TRegistroInvii::TRegistroInvii(const std::filesystem::path& file) : db_(file, OpzioniRegistro()) {
    db_.Esegui(Schema);
    AggiungiColonneMancanti();
}

TRegistroInvii::~TRegistroInvii() = default;

std::filesystem::path TRegistroInvii::Percorso(const std::filesystem::path& radiceDati) {
    return radiceDati / "RegistroInvii.sqlite";
}

void TRegistroInvii::AggiungiColonneMancanti() {
    struct TColonna {
        const char* Nome;
        const char* Aggiunta;
    };
    static constexpr TColonna Colonne[] = {
        {"message_id", "ALTER TABLE voci ADD COLUMN message_id TEXT NOT NULL DEFAULT ''"},
    };
    std::vector<std::string> presenti;
    {
        TComandoSql c(db_, "SELECT name FROM pragma_table_info('voci')");
        while (c.Passo()) presenti.push_back(c.ColonnaTesto(0));
    }
    for (const TColonna& colonna : Colonne)
        if (std::find(presenti.begin(), presenti.end(), colonna.Nome) == presenti.end())
            db_.Esegui(colonna.Aggiunta);
}

void TRegistroInvii::Errore(const std::string& cosa) const {
    throw ERegistroInvii("Registro degli invii: " + cosa);
}

std::int64_t TRegistroInvii::NuovaSpedizione(const TDatiSpedizione& dati,
                                             const std::vector<std::string>& voci,
                                             const std::vector<TCampiContatto>& campi) {
    std::lock_guard<std::mutex> lock(mutex_);
    TTransazione t(db_);
    const std::string adesso = Adesso();
    TComandoSql run(
        db_,
        "INSERT INTO spedizioni(creata, account, mittente, oggetto, riga1, riga2, riga3, "
        "riga4, riga5, riga6, riga7, riga8) VALUES(?,?,?,?,?,?,?,?,?,?,?,?)");
    run.Testo(1, adesso).Testo(2, dati.Account).Testo(3, dati.Mittente).Testo(4, dati.Oggetto);
    for (int n = 0; n < 8; ++n) run.Testo(5 + n, dati.Righe[static_cast<std::size_t>(n)]);
    run.Passo();
    const std::int64_t id = db_.UltimoId();
    TComandoSql riga(db_,
                     "INSERT INTO voci(spedizione, posizione, voce, stato, aggiornata) "
                     "VALUES(?,?,?,?,?)");
    for (std::size_t i = 0; i < voci.size(); ++i) {
        riga.Azzera();
        riga.Intero(1, id)
            .Intero(2, static_cast<std::int64_t>(i))
            .Testo(3, voci[i])
            .Testo(4, NomeStato(TStatoVoce::DaInviare))
            .Testo(5, adesso);
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
    t.Conferma();
    return id;
}

void TRegistroInvii::Segna(std::int64_t spedizione, std::size_t posizione, TStatoVoce stato,
                           int codice, const std::string& risposta, const std::string& messageId) {
    std::lock_guard<std::mutex> lock(mutex_);
    TTransazione t(db_);
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
                       "tentativi=tentativi+?, message_id=COALESCE(NULLIF(?, ''), message_id) "
                       "WHERE spedizione=? AND posizione=?");
    scrivi.Testo(1, NomeStato(stato))
        .Intero(2, codice)
        .Testo(3, risposta)
        .Testo(4, Adesso())
        .Intero(5, stato == TStatoVoce::InCorso && *da != TStatoVoce::InCorso ? 1 : 0)
        .Testo(6, messageId)
        .Intero(7, spedizione)
        .Intero(8, static_cast<std::int64_t>(posizione));
    scrivi.Passo();
    t.Conferma();
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
                  "riga6, riga7, riga8 FROM spedizioni WHERE id=?");
    c.Intero(1, id);
    if (!c.Passo()) Errore("invio " + std::to_string(id) + " assente");
    TSpedizioneRegistrata s;
    s.Id = id;
    s.Creata = c.ColonnaTesto(0);
    s.Dati.Account = c.ColonnaTesto(1);
    s.Dati.Mittente = c.ColonnaTesto(2);
    s.Dati.Oggetto = c.ColonnaTesto(3);
    for (int n = 0; n < 8; ++n) s.Dati.Righe[static_cast<std::size_t>(n)] = c.ColonnaTesto(4 + n);
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
                  "aggiornata FROM voci WHERE spedizione=? ORDER BY posizione");
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
    for (const auto& v : Voci(spedizione))
        if (v.Stato == TStatoVoce::InCorso)
            Segna(spedizione, v.Posizione,
                  ancheIncerti ? TStatoVoce::DaInviare : TStatoVoce::Escluso, v.Codice, v.Risposta);
    std::vector<std::size_t> posizioni;
    for (const auto& v : Voci(spedizione))
        if (DaSpedire(v.Stato)) posizioni.push_back(v.Posizione);
    return posizioni;
}

std::vector<std::size_t> TRegistroInvii::ReinviaFalliti(std::int64_t spedizione) {
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
    "Posizione,Voce,Stato,Codice,Risposta,Message-ID,Tentativi,Aggiornata";

void ScriviVociCsv(std::ostream& out, const std::vector<TVoceRegistrata>& voci,
                   const std::string& prefisso) {
    for (const auto& v : voci)
        out << prefisso << v.Posizione + 1 << ',' << CampoCsv(v.Voce) << ',' << NomeStato(v.Stato)
            << ',' << v.Codice << ',' << CampoCsv(v.Risposta) << ',' << CampoCsv(v.MessageId) << ','
            << v.Tentativi << ',' << v.Aggiornata << "\r\n";
}

}  // namespace

void TRegistroInvii::EsportaCsv(std::int64_t spedizione, const std::filesystem::path& file) const {
    const auto voci = Voci(spedizione);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) Errore("impossibile scrivere " + file.string());
    out << IntestazioneVociCsv << "\r\n";
    ScriviVociCsv(out, voci, std::string());
    out.flush();
    if (!out) Errore("impossibile scrivere " + file.string());
}

void TRegistroInvii::EsportaTuttoCsv(const std::filesystem::path& file) const {
    auto spedizioni = Spedizioni();
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) Errore("impossibile scrivere " + file.string());
    out << "Invio,Creata,Oggetto," << IntestazioneVociCsv << "\r\n";
    for (auto s = spedizioni.rbegin(); s != spedizioni.rend(); ++s)
        ScriviVociCsv(
            out, Voci(s->Id),
            std::to_string(s->Id) + ',' + s->Creata + ',' + CampoCsv(s->Dati.Oggetto) + ',');
    out.flush();
    if (!out) Errore("impossibile scrivere " + file.string());
}

std::vector<std::int64_t> TRegistroInvii::InviiDal(const std::string& account,
                                                   std::int64_t dal) const {
    std::lock_guard<std::mutex> lock(mutex_);
    TComandoSql c(db_,
                  "SELECT t FROM (SELECT CAST(strftime('%s', v.aggiornata) AS INTEGER) AS t "
                  "FROM voci v JOIN spedizioni s ON s.id = v.spedizione "
                  "WHERE s.account = ? AND v.stato IN ('inviato', 'in corso')) "
                  "WHERE t >= ? ORDER BY t");
    c.Testo(1, account).Intero(2, dal);
    std::vector<std::int64_t> istanti;
    while (c.Passo()) istanti.push_back(c.ColonnaIntero(0));
    return istanti;
}

}  // namespace brivano
