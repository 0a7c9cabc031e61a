#include "workflow/StoricoInvii.h"

#include "config/F_Conf.h"
#include "workflow/RipresaInvio.h"

namespace brivano {

namespace {

// The count columns, each summing one or two states: "Incerti" holds the
// entries left "in corso" and those the user left uncertain.
struct TColonnaConteggio {
    TStatoVoce Stato = TStatoVoce::Inviato;
    std::optional<TStatoVoce> Anche;
};
constexpr TColonnaConteggio OrdineConteggi[] = {{TStatoVoce::Inviato, {}},
                                                {TStatoVoce::DaInviare, {}},
                                                {TStatoVoce::InCorso, TStatoVoce::Incerto},
                                                {TStatoVoce::Rinviato, {}},
                                                {TStatoVoce::Fallito, {}},
                                                {TStatoVoce::Escluso, {}},
                                                {TStatoVoce::Rimbalzato, {}}};

}  // namespace

std::optional<std::filesystem::path> PercorsoRegistroConfigurato() {
    const std::string radice = LeggiReg(KeyBrivano, "PathDatiGen");
    if (radice.empty()) return std::nullopt;
    return TRegistroInvii::Percorso(radice);
}

TStoricoInvii::TStoricoInvii(std::filesystem::path file) : file_(std::move(file)) {}

TStoricoInvii::~TStoricoInvii() = default;

const std::vector<std::string>& TStoricoInvii::ColonneSpedizioni() {
    static const std::vector<std::string> colonne = {
        "Data",       "Account", "Mittente", "Oggetto", "Voci",    "Inviati",
        "Da inviare", "Incerti", "Rinviati", "Falliti", "Esclusi", "Rimbalzati"};
    return colonne;
}

const std::vector<std::string>& TStoricoInvii::ColonneVoci() {
    static const std::vector<std::string> colonne = {
        "N.", "Indirizzo", "Stato", "Codice", "Risposta", "Message-ID", "Tentativi", "Aggiornata"};
    return colonne;
}

TRegistroInvii* TStoricoInvii::Registro() {
    if (!registro_) {
        std::error_code errore;
        if (!std::filesystem::exists(file_, errore)) return nullptr;
        registro_ = std::make_unique<TRegistroInvii>(file_);
    }
    return registro_.get();
}

std::vector<TRigaStorico> TStoricoInvii::Spedizioni() {
    std::vector<TRigaStorico> righe;
    TRegistroInvii* registro = Registro();
    if (!registro) return righe;
    for (const TSpedizioneRegistrata& s : registro->Spedizioni()) {
        TRigaStorico riga;
        riga.Spedizione = s.Id;
        riga.Celle = {OraLocale(s.Creata), s.Dati.Account, s.Dati.Mittente, s.Dati.Oggetto,
                      std::to_string(s.Voci)};
        for (const TColonnaConteggio& c : OrdineConteggi)
            riga.Celle.push_back(
                std::to_string(s.PerStato[static_cast<std::size_t>(c.Stato)] +
                               (c.Anche ? s.PerStato[static_cast<std::size_t>(*c.Anche)] : 0)));
        riga.DaRiprendere = !s.Finita();
        riga.ConFalliti = s.Fallite > 0;
        righe.push_back(std::move(riga));
    }
    return righe;
}

std::vector<TRigaStorico> TStoricoInvii::Voci(std::int64_t spedizione,
                                              std::int64_t spedizioneAttiva) {
    std::vector<TRigaStorico> righe;
    TRegistroInvii* registro = Registro();
    if (!registro) return righe;
    const bool attiva = spedizione == spedizioneAttiva;
    for (const TVoceRegistrata& v : registro->Voci(spedizione)) {
        TRigaStorico riga;
        riga.Spedizione = spedizione;
        riga.Celle = {std::to_string(v.Posizione + 1),
                      v.Voce,
                      TestoStato(v.Stato, attiva),
                      v.Codice == 0 ? std::string() : std::to_string(v.Codice),
                      v.Risposta,
                      v.MessageId,
                      std::to_string(v.Tentativi),
                      OraLocale(v.Aggiornata)};
        righe.push_back(std::move(riga));
    }
    return righe;
}

void TStoricoInvii::EsportaCsv(std::optional<std::int64_t> spedizione,
                               const std::filesystem::path& file) {
    TRegistroInvii* registro = Registro();
    if (!registro) throw ERegistroInvii("Nessun invio registrato da esportare");
    if (spedizione)
        registro->EsportaCsv(*spedizione, file);
    else
        registro->EsportaTuttoCsv(file);
}

std::string TStoricoInvii::NomeFileCsv(std::optional<std::int64_t> spedizione) {
    return spedizione ? "invio-" + std::to_string(*spedizione) + ".csv" : "storico-invii.csv";
}

std::string TestoStato(TStatoVoce stato, bool runAttivo) {
    if (stato == TStatoVoce::InCorso && !runAttivo) return "in corso (incerto)";
    return NomeStato(stato);
}

}  // namespace brivano
