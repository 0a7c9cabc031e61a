#include "workflow/Segmenti.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "text/Testo.h"
#include "workflow/FormaIndirizzo.h"
#include "workflow/Piegatura.h"
#include "workflow/RegistroInvii.h"

namespace brivano {

namespace {

constexpr const char* Tabelle =
    "CREATE TABLE IF NOT EXISTS segmenti (nome TEXT PRIMARY KEY, testo TEXT NOT NULL, "
    "etichetta TEXT NOT NULL, tipo TEXT NOT NULL, citta TEXT NOT NULL, base TEXT, "
    "mesi INTEGER NOT NULL)";

void SollevaSegmenti(const EBaseDati& e) {
    throw ERegistroContatti(e);
}

bool Contiene(const std::string& piegato, const std::string& ago) {
    return piegato.find(ago) != std::string::npos;
}

// The last message to an address, or never ("").
const std::string& UltimoInvio(const TInviiPerIndirizzo& invii, const std::string& chiave) {
    static const std::string mai;
    const auto i = invii.find(chiave);
    return i == invii.end() ? mai : i->second.Ultimo;
}

TSegmento SegmentoDaRiga(const TComandoSql& c) {
    TSegmento s;
    s.Nome = c.ColonnaTesto(0);
    s.Testo = c.ColonnaTesto(1);
    s.Etichetta = c.ColonnaTesto(2);
    s.Tipo = c.ColonnaTesto(3);
    s.Citta = c.ColonnaTesto(4);
    if (!c.ColonnaNulla(5)) s.Base = BaseDaTesto(c.ColonnaVista(5));
    s.MesiSenzaInvio = static_cast<int>(c.ColonnaIntero(6));
    return s;
}

}  // namespace

std::string TSegmento::Descrizione() const {
    std::string testo;
    const auto parte = [&](const std::string& cosa) {
        testo += (testo.empty() ? "" : "; ") + cosa;
    };
    if (!Testo.empty()) parte("testo: " + Testo);
    if (!Etichetta.empty()) parte("etichetta: " + Etichetta);
    if (!Tipo.empty()) parte("tipo: " + Tipo);
    if (!Citta.empty()) parte("città: " + Citta);
    if (Base) parte(std::string("base: ") + NomeBase(*Base));
    if (MesiSenzaInvio > 0) parte("mai scritto da " + std::to_string(MesiSenzaInvio) + " mesi");
    return testo.empty() ? "tutti i contatti" : testo;
}

std::string MesiPrima(const std::string& oggi, int mesi) {
    using namespace std::chrono;
    const auto data = DataRegistro(oggi);
    if (!data) return oggi;
    const int anno = std::stoi(data->substr(0, 4)), mese = std::stoi(data->substr(5, 2)),
              giorno = std::stoi(data->substr(8, 2));
    const int totale = anno * 12 + (mese - 1) - mesi;
    const year_month ym{year{totale / 12}, month{static_cast<unsigned>(totale % 12 + 1)}};
    const unsigned ultimo = static_cast<unsigned>((ym / last).day());
    char testo[40];
    std::snprintf(testo, sizeof testo, "%04d-%02u-%02u", totale / 12, totale % 12 + 1,
                  std::min(static_cast<unsigned>(giorno), ultimo));
    return testo;
}

std::vector<std::size_t> ContattiDelSegmento(const TSegmento& segmento,
                                             const std::vector<TContatto>& contatti,
                                             const TRegistroContatti& registro,
                                             const TInviiPerIndirizzo& invii,
                                             const std::string& oggi) {
    const std::string testo = Piega(Trim(segmento.Testo));
    const std::string etichetta = Piega(Trim(segmento.Etichetta));
    const std::string tipo = Piega(Trim(segmento.Tipo));
    const std::string citta = Piega(Trim(segmento.Citta));
    const std::string soglia =
        segmento.MesiSenzaInvio > 0 ? MesiPrima(oggi, segmento.MesiSenzaInvio) : std::string();
    std::vector<std::size_t> scelti;
    for (std::size_t i = 0; i < contatti.size(); ++i) {
        const TContatto& c = contatti[i];
        if (!tipo.empty() && Piega(Trim(c[TCampo::Tipo])) != tipo) continue;
        if (!citta.empty() && Piega(Trim(c[TCampo::Citta])) != citta) continue;
        const std::string chiave = ChiaveIndirizzo(c[TCampo::EMail]);
        const std::optional<TVoceRegistro> voce =
            Trim(c[TCampo::EMail]).empty() ? std::nullopt : registro.Leggi(chiave);
        if (segmento.Base && (voce ? voce->Base : TBaseGiuridica::Nessuna) != *segmento.Base)
            continue;
        if (!etichetta.empty()) {
            bool trovata = false;
            for (const std::string& e : voce ? voce->Etichette : std::vector<std::string>{})
                trovata = trovata || Piega(e) == etichetta;
            if (!trovata) continue;
        }
        if (!soglia.empty()) {
            const std::string& ultimo = UltimoInvio(invii, chiave);
            if (!ultimo.empty() && ultimo.substr(0, 10) >= soglia) continue;
        }
        if (!testo.empty()) {
            std::string campi;
            for (const TCampo campo :
                 {TCampo::Ragione_Sociale, TCampo::Tipo, TCampo::Citta, TCampo::Cap, TCampo::EMail})
                campi += Piega(c[campo]) + '\x1F';
            if (voce)
                for (const std::string* v : {&voce->PartitaIva, &voce->CodiceFiscale, &voce->Pec,
                                             &voce->Referente, &voce->Telefono, &voce->Fonte})
                    campi += Piega(*v) + '\x1F';
            if (!Contiene(campi, testo)) continue;
        }
        scelti.push_back(i);
    }
    return scelti;
}

std::vector<TVoceRegistro> DaRivedere(const TRegistroContatti& registro,
                                      const TInviiPerIndirizzo& invii, const std::string& oggi) {
    const std::string soglia = MesiPrima(oggi, MesiConservazione);
    std::vector<TVoceRegistro> voci;
    for (TVoceRegistro& v : registro.Elenco()) {
        if (!AmmettePromozioni(v.Base)) continue;
        const std::string& ultimo = UltimoInvio(invii, ChiaveIndirizzo(v.Indirizzo));
        const std::string dal = ultimo.empty() ? v.DataRaccolta : ultimo.substr(0, 10);
        if (dal < soglia) voci.push_back(std::move(v));
    }
    return voci;
}

std::vector<std::string> NomiSegmentiSalvati() {
    const std::filesystem::path percorso = PercorsoRegistroContattiConfigurato();
    std::vector<std::string> nomi;
    if (!std::filesystem::exists(percorso)) return nomi;
    for (const TSegmento& s : TSegmenti(percorso).Elenco()) nomi.push_back(s.Nome);
    return nomi;
}

std::vector<std::size_t> ContattiDelSegmentoSalvato(const std::string& nome,
                                                    const std::vector<TContatto>& contatti) {
    const std::filesystem::path percorso = PercorsoRegistroContattiConfigurato();
    const std::optional<TSegmento> segmento = TSegmenti(percorso).Leggi(nome);
    if (!segmento) throw ERegistroContatti("Nessun segmento si chiama " + nome);
    // A data root where nothing was ever sent gets no journal from a look-up.
    const std::filesystem::path giornale = TRegistroInvii::Percorso(percorso.parent_path());
    const TInviiPerIndirizzo invii = std::filesystem::exists(giornale)
                                         ? InviiPerIndirizzo(TRegistroInvii(giornale))
                                         : TInviiPerIndirizzo{};
    return ContattiDelSegmento(*segmento, contatti, TRegistroContatti(percorso), invii,
                               OggiRegistro());
}

TSegmenti::TSegmenti(const std::filesystem::path& registro)
    : db_(registro, OpzioniFileDati(SollevaSegmenti, Tabelle)) {}

TSegmenti::~TSegmenti() = default;

void TSegmenti::Salva(const TSegmento& s) {
    const std::string nome(Trim(s.Nome));
    if (nome.empty()) db_.Solleva("Il segmento vuole un nome");
    if (s.MesiSenzaInvio < 0) db_.Solleva("I mesi senza invio non possono essere negativi");
    TComandoSql c(db_,
                  "INSERT OR REPLACE INTO segmenti (nome, testo, etichetta, tipo, citta, base, "
                  "mesi) VALUES (?, ?, ?, ?, ?, ?, ?)");
    c.Testo(1, nome).Testo(2, Trim(s.Testo)).Testo(3, Trim(s.Etichetta)).Testo(4, Trim(s.Tipo));
    c.Testo(5, Trim(s.Citta));
    if (s.Base)
        c.Testo(6, CodiceBase(*s.Base));
    else
        c.Nullo(6);
    c.Intero(7, s.MesiSenzaInvio).Esegui();
}

bool TSegmenti::Togli(const std::string& nome) {
    TComandoSql c(db_, "DELETE FROM segmenti WHERE nome = ?");
    c.Testo(1, Trim(nome)).Esegui();
    return db_.Modificate() > 0;
}

std::optional<TSegmento> TSegmenti::Leggi(const std::string& nome) const {
    TComandoSql c(db_,
                  "SELECT nome, testo, etichetta, tipo, citta, base, mesi FROM segmenti "
                  "WHERE nome = ?");
    c.Testo(1, Trim(nome));
    if (!c.Passo()) return std::nullopt;
    return SegmentoDaRiga(c);
}

std::vector<TSegmento> TSegmenti::Elenco() const {
    std::vector<TSegmento> segmenti;
    TComandoSql c(db_,
                  "SELECT nome, testo, etichetta, tipo, citta, base, mesi FROM segmenti "
                  "ORDER BY nome");
    while (c.Passo()) segmenti.push_back(SegmentoDaRiga(c));
    return segmenti;
}

}  // namespace brivano
