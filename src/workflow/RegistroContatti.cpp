#include "workflow/RegistroContatti.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>

#include "text/CifreControllo.h"
#include "text/Ora.h"
#include "text/Testo.h"
#include "workflow/FormaIndirizzo.h"
#include "workflow/NonInviare.h"
#include "workflow/Piegatura.h"
#include "workflow/TestiRicerca.h"

namespace brivano {

namespace {

struct TNomiBase {
    TBaseGiuridica Base;
    const char* Nome;
    const char* Codice;
};

constexpr std::array<TNomiBase, 4> NomiBasi = {{
    {TBaseGiuridica::Consenso, "Consenso", "consenso"},
    {TBaseGiuridica::Cliente, "Cliente — prodotti analoghi (art. 130 c.4)", "cliente"},
    {TBaseGiuridica::Contratto, "Contratto / servizio", "contratto"},
    {TBaseGiuridica::Nessuna, "Nessuna", "nessuna"},
}};

const TNomiBase& NomiDi(TBaseGiuridica base) {
    for (const TNomiBase& n : NomiBasi)
        if (n.Base == base) return n;
    return NomiBasi.back();
}

constexpr const char* Tabelle =
    "CREATE TABLE IF NOT EXISTS registro (chiave TEXT PRIMARY KEY, indirizzo TEXT NOT NULL, "
    "base TEXT NOT NULL, fonte TEXT NOT NULL, data_raccolta TEXT NOT NULL, "
    "informativa TEXT NOT NULL, data_opposizione TEXT NOT NULL, etichette TEXT NOT NULL, "
    "partita_iva TEXT NOT NULL, codice_fiscale TEXT NOT NULL, pec TEXT NOT NULL, "
    "codice_sdi TEXT NOT NULL, referente TEXT NOT NULL, telefono TEXT NOT NULL, "
    "aggiornata TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS bozze (oggetto TEXT PRIMARY KEY, tipo TEXT NOT NULL, "
    "avviso_pie_pagina INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS basi_invii (spedizione INTEGER NOT NULL, "
    "posizione INTEGER NOT NULL, indirizzo TEXT NOT NULL, tipo TEXT NOT NULL, "
    "base TEXT NOT NULL, data_raccolta TEXT NOT NULL, esclusa INTEGER NOT NULL, "
    "PRIMARY KEY (spedizione, posizione))";

void SollevaRegistro(const EBaseDati& e) {
    throw ERegistroContatti(e);
}

bool GiornoEsiste(int anno, int mese, int giorno) {
    using namespace std::chrono;
    return anno >= 1900 && anno <= 2999 &&
           year_month_day{year{anno}, month{static_cast<unsigned>(mese)},
                          day{static_cast<unsigned>(giorno)}}
               .ok();
}

bool SoloCifre(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

constexpr const char* Colonne =
    "indirizzo, base, fonte, data_raccolta, informativa, data_opposizione, etichette, "
    "partita_iva, codice_fiscale, pec, codice_sdi, referente, telefono, aggiornata";

TVoceRegistro VoceDaRiga(const TComandoSql& c) {
    TVoceRegistro v;
    v.Indirizzo = c.ColonnaTesto(0);
    v.Base = BaseDaTesto(c.ColonnaVista(1)).value_or(TBaseGiuridica::Nessuna);
    v.Fonte = c.ColonnaTesto(2);
    v.DataRaccolta = c.ColonnaTesto(3);
    v.Informativa = c.ColonnaTesto(4);
    v.DataOpposizione = c.ColonnaTesto(5);
    v.Etichette = EtichetteDaTesto(c.ColonnaVista(6));
    v.PartitaIva = c.ColonnaTesto(7);
    v.CodiceFiscale = c.ColonnaTesto(8);
    v.Pec = c.ColonnaTesto(9);
    v.CodiceSdi = c.ColonnaTesto(10);
    v.Referente = c.ColonnaTesto(11);
    v.Telefono = c.ColonnaTesto(12);
    v.Aggiornata = c.ColonnaTesto(13);
    return v;
}

}  // namespace

const char* NomeBase(TBaseGiuridica base) {
    return NomiDi(base).Nome;
}

const char* CodiceBase(TBaseGiuridica base) {
    return NomiDi(base).Codice;
}

std::optional<TBaseGiuridica> BaseDaTesto(std::string_view testo) {
    // The register keeps the code, found without folding the names.
    for (const TNomiBase& n : NomiBasi)
        if (testo == n.Codice) return n.Base;
    const std::string piegato = Piega(Trim(testo));
    if (piegato.empty()) return TBaseGiuridica::Nessuna;
    for (const TNomiBase& n : NomiBasi) {
        const std::string nome = Piega(n.Nome);
        if (piegato == nome || piegato == n.Codice) return n.Base;
    }
    // "Cliente — prodotti analoghi" typed without the article, "Contratto".
    for (const TNomiBase& n : NomiBasi)
        if (piegato.rfind(n.Codice, 0) == 0) return n.Base;
    return std::nullopt;
}

const char* NomeTipoInvio(TTipoInvio tipo) {
    return tipo == TTipoInvio::Promozionale ? "Promozionale" : "Comunicazione di servizio";
}

bool AmmettePromozioni(TBaseGiuridica base) {
    return base == TBaseGiuridica::Consenso || base == TBaseGiuridica::Cliente;
}

std::optional<std::string> DataRegistro(std::string_view testo) {
    const std::string_view t = Trim(testo);
    int anno = 0, mese = 0, giorno = 0;
    const auto numero = [](std::string_view s) { return std::stoi(std::string(s)); };
    if (t.size() == 10 && t[4] == '-' && t[7] == '-' && SoloCifre(t.substr(0, 4)) &&
        SoloCifre(t.substr(5, 2)) && SoloCifre(t.substr(8, 2))) {
        anno = numero(t.substr(0, 4));
        mese = numero(t.substr(5, 2));
        giorno = numero(t.substr(8, 2));
    } else {
        const std::size_t a = t.find_first_of("/-.");
        const std::size_t b = a == std::string_view::npos ? a : t.find(t[a], a + 1);
        if (b == std::string_view::npos) return std::nullopt;
        const std::string_view g = t.substr(0, a), m = t.substr(a + 1, b - a - 1),
                               y = t.substr(b + 1);
        if (!SoloCifre(g) || !SoloCifre(m) || y.size() != 4 || !SoloCifre(y) || g.size() > 2 ||
            m.size() > 2)
            return std::nullopt;
        anno = numero(y);
        mese = numero(m);
        giorno = numero(g);
    }
    if (!GiornoEsiste(anno, mese, giorno)) return std::nullopt;
    char testoData[16];
    std::snprintf(testoData, sizeof testoData, "%04d-%02d-%02d", anno, mese, giorno);
    return std::string(testoData);
}

std::string OggiRegistro(std::time_t adesso) {
    return TestoOra(adesso, "%Y-%m-%d", TFuso::Locale).value_or("");
}

std::vector<std::string> EtichetteDaTesto(std::string_view testo) {
    std::vector<std::string> etichette;
    std::size_t i = 0;
    while (i <= testo.size()) {
        std::size_t fine = testo.find_first_of(",;", i);
        if (fine == std::string_view::npos) fine = testo.size();
        const std::string etichetta(Trim(testo.substr(i, fine - i)));
        bool nuova = !etichetta.empty();
        for (const std::string& e : etichette)
            if (nuova && Piega(e) == Piega(etichetta)) nuova = false;
        if (nuova) etichette.push_back(etichetta);
        i = fine + 1;
    }
    return etichette;
}

std::string TestoEtichette(const std::vector<std::string>& etichette) {
    std::string testo;
    for (const std::string& e : etichette) testo += (testo.empty() ? "" : ", ") + e;
    return testo;
}

TVoceControllata ControllaVoce(TVoceRegistro voce) {
    TVoceControllata esito;
    voce.Indirizzo = std::string(Trim(voce.Indirizzo));
    if (voce.Indirizzo.empty()) esito.Errori.emplace_back("Manca l'indirizzo e-mail");
    const auto data = [&](std::string& campo, const char* nome) {
        if (Trim(campo).empty()) {
            campo.clear();
            return;
        }
        if (const auto d = DataRegistro(campo))
            campo = *d;
        else
            esito.Errori.push_back(std::string(nome) + " non valida: " + campo +
                                   " (si scrive AAAA-MM-GG o GG/MM/AAAA)");
    };
    data(voce.DataRaccolta, "Data di raccolta");
    data(voce.DataOpposizione, "Data di opposizione");
    const auto codice = [&](std::string& campo, std::string errore, std::string forma) {
        if (!errore.empty())
            esito.Errori.push_back(std::move(errore));
        else
            campo = std::move(forma);
    };
    codice(voce.PartitaIva, ErrorePartitaIva(voce.PartitaIva), FormaPartitaIva(voce.PartitaIva));
    codice(voce.CodiceFiscale, ErroreCodiceFiscale(voce.CodiceFiscale),
           FormaCodiceFiscale(voce.CodiceFiscale));
    codice(voce.CodiceSdi, ErroreCodiceSdi(voce.CodiceSdi), FormaCodiceSdi(voce.CodiceSdi));
    voce.Pec = std::string(Trim(voce.Pec));
    if (!voce.Pec.empty()) {
        const TFormaIndirizzo pec = FormaIndirizzo(voce.Pec);
        if (!pec.Valida()) esito.Errori.push_back("Indirizzo PEC non valido: " + pec.Errore);
    }
    // A tag never holds the separators the texts and files part tags by.
    voce.Etichette = EtichetteDaTesto(TestoEtichette(voce.Etichette));
    for (std::string* campo : {&voce.Fonte, &voce.Informativa, &voce.Referente, &voce.Telefono})
        *campo = std::string(Trim(*campo));
    esito.Voce = std::move(voce);
    return esito;
}

std::filesystem::path PercorsoRegistroContatti(const std::filesystem::path& radiceDati) {
    return radiceDati / FileRegistroContatti;
}

std::filesystem::path PercorsoRegistroContattiConfigurato() {
    return PercorsoRegistroContatti(PercorsoNonInviareConfigurato().parent_path());
}

void TTestiRegistro::Aggiungi(std::string_view chiave, std::string_view testi) {
    voci_.push_back({chiavi_.size(), chiave.size(), testi_.size(), testi.size()});
    chiavi_ += chiave;
    testi_ += testi;
}

void TTestiRegistro::Indicizza() {
    std::size_t posti = 16;
    while (posti < voci_.size() * 2) posti *= 2;
    posti_.assign(posti, 0);
    const std::size_t maschera = posti - 1;
    for (std::size_t v = 0; v < voci_.size(); ++v) {
        std::size_t p = std::hash<std::string_view>{}(Chiave(voci_[v])) & maschera;
        while (posti_[p] != 0) p = (p + 1) & maschera;
        posti_[p] = static_cast<std::uint32_t>(v + 1);
    }
}

std::string_view TTestiRegistro::Trova(std::string_view chiave) const {
    if (posti_.empty()) return {};
    const std::size_t maschera = posti_.size() - 1;
    // The table is never full, so a free place ends the probe.
    for (std::size_t p = std::hash<std::string_view>{}(chiave)&maschera; posti_[p] != 0;
         p = (p + 1) & maschera) {
        const TVoce& v = voci_[posti_[p] - 1];
        if (Chiave(v) == chiave) return {testi_.data() + v.testi, v.lunghezzaTesti};
    }
    return {};
}

TTestiRegistro TestiRegistroPerRicerca(const std::filesystem::path& radice,
                                       const std::atomic<bool>* fermo) {
    try {
        const std::filesystem::path percorso = PercorsoRegistroContatti(radice);
        if (!std::filesystem::exists(percorso)) return {};
        return TRegistroContatti(percorso).TestiPerRicerca(fermo);
    } catch (const std::exception&) {
        // The search goes on over the described fields alone.
        return {};
    }
}

TRegistroContatti::TRegistroContatti(const std::filesystem::path& percorso)
    : db_(percorso, OpzioniFileDati(SollevaRegistro, Tabelle)) {}

TRegistroContatti::~TRegistroContatti() = default;

std::optional<TVoceRegistro> TRegistroContatti::Leggi(std::string_view indirizzo) const {
    TComandoSql c(db_, std::string("SELECT ") + Colonne + " FROM registro WHERE chiave = ?");
    c.Testo(1, ChiaveIndirizzo(indirizzo));
    if (!c.Passo()) return std::nullopt;
    return VoceDaRiga(c);
}

void TRegistroContatti::Scrivi(const TVoceRegistro& data) {
    const TVoceControllata controllata = ControllaVoce(data);
    if (!controllata.Errori.empty()) {
        std::string testo;
        for (const std::string& e : controllata.Errori) testo += (testo.empty() ? "" : "\n") + e;
        db_.Solleva(testo);
    }
    const TVoceRegistro& v = controllata.Voce;
    TComandoSql c(db_, std::string("INSERT OR REPLACE INTO registro (chiave, ") + Colonne +
                           ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                           "strftime('%Y-%m-%d %H:%M:%S', 'now'))");
    c.Testo(1, ChiaveIndirizzo(v.Indirizzo))
        .Testo(2, v.Indirizzo)
        .Testo(3, CodiceBase(v.Base))
        .Testo(4, v.Fonte)
        .Testo(5, v.DataRaccolta)
        .Testo(6, v.Informativa)
        .Testo(7, v.DataOpposizione)
        .Testo(8, TestoEtichette(v.Etichette))
        .Testo(9, v.PartitaIva)
        .Testo(10, v.CodiceFiscale)
        .Testo(11, v.Pec)
        .Testo(12, v.CodiceSdi)
        .Testo(13, v.Referente)
        .Testo(14, v.Telefono)
        .Esegui();
}

void TRegistroContatti::ScriviTutte(const std::vector<TVoceRegistro>& voci) {
    TTransazione t(db_);
    for (const TVoceRegistro& v : voci) Scrivi(v);
    t.Conferma();
}

bool TRegistroContatti::Togli(std::string_view indirizzo) {
    TComandoSql c(db_, "DELETE FROM registro WHERE chiave = ?");
    c.Testo(1, ChiaveIndirizzo(indirizzo)).Esegui();
    return db_.Modificate() > 0;
}

void TRegistroContatti::SegnaOpposizione(std::string_view indirizzo, const std::string& data) {
    if (Trim(indirizzo).empty()) return;
    TTransazione t(db_);
    TVoceRegistro voce = Leggi(indirizzo).value_or(TVoceRegistro{std::string(Trim(indirizzo))});
    if (voce.DataOpposizione.empty()) {
        voce.DataOpposizione = data;
        Scrivi(voce);
    }
    t.Conferma();
}

std::vector<TVoceRegistro> TRegistroContatti::Elenco() const {
    std::vector<TVoceRegistro> voci;
    TComandoSql c(db_, std::string("SELECT ") + Colonne + " FROM registro ORDER BY chiave");
    while (c.Passo()) voci.push_back(VoceDaRiga(c));
    return voci;
}

TTestiRegistro TRegistroContatti::TestiPerRicerca(const std::atomic<bool>* fermo) const {
    TTestiRegistro testi;
    // The key is the address's normal form already, and the tags their text.
    TComandoSql c(db_,
                  "SELECT chiave, partita_iva, codice_fiscale, pec, codice_sdi, referente, "
                  "telefono, fonte, etichette, base FROM registro");
    // Each basis's text folded once: a name with a dash takes the full folding.
    std::array<std::string, NomiBasi.size()> basi;
    for (std::size_t b = 0; b < NomiBasi.size(); ++b)
        TTestiRicerca::AggiungiCampo(
            basi[b], NomiBasi[b].Base == TBaseGiuridica::Nessuna ? "" : NomiBasi[b].Nome);
    std::string testo;
    while (c.Passo()) {
        if (fermo && fermo->load(std::memory_order_relaxed)) return {};
        testo.clear();
        for (int colonna = 1; colonna <= 8; ++colonna)
            TTestiRicerca::AggiungiCampo(testo, c.ColonnaVista(colonna));
        const auto base = BaseDaTesto(c.ColonnaVista(9)).value_or(TBaseGiuridica::Nessuna);
        testo += basi[static_cast<std::size_t>(&NomiDi(base) - NomiBasi.data())];
        testi.Aggiungi(c.ColonnaVista(0), testo);
    }
    testi.Indicizza();
    return testi;
}

std::vector<std::pair<std::string, int>> TRegistroContatti::Etichette() const {
    std::map<std::string, std::pair<std::string, int>> perChiave;
    for (const TVoceRegistro& v : Elenco())
        for (const std::string& e : v.Etichette) {
            auto& [nome, quante] = perChiave[Piega(e)];
            if (nome.empty()) nome = e;
            ++quante;
        }
    std::vector<std::pair<std::string, int>> etichette;
    for (auto& [chiave, valore] : perChiave) etichette.push_back(std::move(valore));
    return etichette;
}

bool TRegistroContatti::ConBasi() const {
    TComandoSql c(db_, "SELECT 1 FROM registro WHERE base <> 'nessuna' LIMIT 1");
    return c.Passo();
}

std::optional<TTipoInvio> TRegistroContatti::TipoBozza(const std::string& oggetto) const {
    TComandoSql c(db_, "SELECT tipo FROM bozze WHERE oggetto = ?");
    c.Testo(1, oggetto);
    if (!c.Passo()) return std::nullopt;
    return c.ColonnaVista(0) == "promozionale" ? TTipoInvio::Promozionale : TTipoInvio::Servizio;
}

void TRegistroContatti::RicordaTipo(const std::string& oggetto, TTipoInvio tipo) {
    TComandoSql c(db_,
                  "INSERT INTO bozze (oggetto, tipo) VALUES (?, ?) "
                  "ON CONFLICT(oggetto) DO UPDATE SET tipo = excluded.tipo");
    c.Testo(1, oggetto)
        .Testo(2, tipo == TTipoInvio::Promozionale ? "promozionale" : "servizio")
        .Esegui();
}

bool TRegistroContatti::AvvisoPiePaginaDato(const std::string& oggetto) const {
    TComandoSql c(db_, "SELECT avviso_pie_pagina FROM bozze WHERE oggetto = ?");
    c.Testo(1, oggetto);
    return c.Passo() && c.ColonnaIntero(0) != 0;
}

void TRegistroContatti::SegnaAvvisoPiePagina(const std::string& oggetto) {
    TComandoSql c(db_, "UPDATE bozze SET avviso_pie_pagina = 1 WHERE oggetto = ?");
    c.Testo(1, oggetto).Esegui();
}

void TRegistroContatti::RegistraBasi(std::int64_t spedizione, const std::vector<TBaseVoce>& basi) {
    TTransazione t(db_);
    TComandoSql c(db_,
                  "INSERT OR REPLACE INTO basi_invii (spedizione, posizione, indirizzo, tipo, "
                  "base, data_raccolta, esclusa) VALUES (?, ?, ?, ?, ?, ?, ?)");
    for (const TBaseVoce& b : basi) {
        c.Azzera();
        c.Intero(1, spedizione)
            .Intero(2, static_cast<std::int64_t>(b.Posizione))
            .Testo(3, b.Indirizzo)
            .Testo(4, NomeTipoInvio(b.Tipo))
            .Testo(5, CodiceBase(b.Base))
            .Testo(6, b.DataRaccolta)
            .Intero(7, b.Esclusa ? 1 : 0)
            .Esegui();
    }
    t.Conferma();
}

std::vector<TBaseVoce> TRegistroContatti::BasiSpedizione(std::int64_t spedizione) const {
    std::vector<TBaseVoce> basi;
    TComandoSql c(db_,
                  "SELECT posizione, indirizzo, tipo, base, data_raccolta, esclusa FROM basi_invii "
                  "WHERE spedizione = ? ORDER BY posizione");
    c.Intero(1, spedizione);
    while (c.Passo())
        basi.push_back(
            {static_cast<std::size_t>(c.ColonnaIntero(0)), c.ColonnaTesto(1),
             c.ColonnaVista(2) == "Promozionale" ? TTipoInvio::Promozionale : TTipoInvio::Servizio,
             BaseDaTesto(c.ColonnaVista(3)).value_or(TBaseGiuridica::Nessuna), c.ColonnaTesto(4),
             c.ColonnaIntero(5) != 0});
    return basi;
}

}  // namespace brivano
