#include "workflow/ControlloRubrica.h"

#include "archive/F_DB.h"
#include "dialogs/MessageBoxes.h"
#include "workflow/Collegamenti.h"

namespace brivano {

namespace {

const char* const kTestoCancellazione =
    "ATTENZIONE - RICHIESTA CANCELLAZIONE SCHEDA\r\r"
    "E' stato chiesto di Cancellare la scheda corrente.\r\r"
    "Confermi l'operazione?";
const char* const kTestoSalvataggio =
    "ATTENZIONE - CONTATTO NON SALVATO\r\r"
    "Il contatto in corso di inserimento o modifica non è stato salvato.\r\r"
    "Salvarlo adesso?";

bool InModifica(const TRowCursor& ds) {
    return ds.State() == TCursorState::Editing || ds.State() == TCursorState::Inserting;
}

// Holds a flag up for the length of a scope, then puts back what it was.
class TBandiera {
  public:
    explicit TBandiera(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~TBandiera() { flag_ = old_; }
    TBandiera(const TBandiera&) = delete;
    TBandiera& operator=(const TBandiera&) = delete;

  private:
    bool& flag_;
    bool old_;
};

}  // namespace

TControlliRubrica ControlliPerStato(TStatoRubrica stato) {
    const bool c = stato == TStatoRubrica::Consultazione, m = stato == TStatoRubrica::Modifica;
    return {.nuovo = c,
            .modifica = c,
            .salva = m,
            .annulla = m,
            .cancella = c,
            .esci = c,
            .navigatore = c,
            .elenco = c,
            .dettaglio = m,
            .contatti = c};
}

TControlloRubrica::TControlloRubrica(TFDB& fdb, TMessageBoxes& boxes, TVistaRubrica& vista)
    : fdb_(fdb), boxes_(boxes), vista_(vista) {
    ImpostaStato(TStatoRubrica::Consultazione);
    tableListener_ = fdb_.T_Rubrica.Subscribe([this](TCursorEvent) {
        if (silenzio_) return;
        AggiornaScheda();
        AggiornaNavigatore();
    });
    queryListener_ = fdb_.QGEN.Subscribe([this](TCursorEvent) { AggiornaRigaElenco(); });
    AggiornaScheda();
    AggiornaNavigatore();
}

TControlloRubrica::~TControlloRubrica() {
    fdb_.T_Rubrica.Unsubscribe(tableListener_);
    fdb_.QGEN.Unsubscribe(queryListener_);
}

bool TControlloRubrica::SchedaInSospeso() const {
    return InModifica(fdb_.T_Rubrica);
}

void TControlloRubrica::ImpostaStato(TStatoRubrica stato) {
    stato_ = stato;
    vista_.MostraControlli(ControlliPerStato(stato));
}

void TControlloRubrica::ScriviCampi() {
    if (!InModifica(fdb_.T_Rubrica)) return;
    // Read every screen text first: each write refreshes the panel from the row.
    const TTestiCampi testi = vista_.CampiModificati();
    if (testi.empty()) return;
    {
        TBandiera silenzio(silenzio_);
        for (const auto& [campo, testo] : testi) fdb_.T_Rubrica.SetFieldValue(campo, testo);
    }
    AggiornaScheda();
}

void TControlloRubrica::AggiornaScheda() {
    const TTableCursor& t = fdb_.T_Rubrica;
    TTestiCampi testi;
    for (const std::string& campo : CampiScheda())
        testi.emplace_back(campo, t.Active() ? t.FieldValue(campo).value_or("") : "");
    vista_.MostraScheda(testi);
}

void TControlloRubrica::AggiornaNavigatore() {
    const TTableCursor& t = fdb_.T_Rubrica;
    vista_.MostraNavigatore(t.Active() && !t.AtStart(), t.Active() && !t.AtEnd());
}

void TControlloRubrica::AggiornaRigaElenco() {
    TBandiera segue(seguoElenco_);
    const TSqlCursor& q = fdb_.QGEN;
    vista_.MostraRigaElenco(q.Active() ? q.RowNumber() : 0);
}

void TControlloRubrica::RigaElencoScelta(int riga) {
    if (seguoElenco_ || !fdb_.QGEN.Active()) return;
    RunGuarded(boxes_, [&] { fdb_.QGEN.MoveToRow(riga); });
}

void TControlloRubrica::CampoLasciato(const std::string& campo, const std::string& testo) {
    if (InModifica(fdb_.T_Rubrica))
        RunGuarded(boxes_, [&] { fdb_.T_Rubrica.SetFieldValue(campo, testo); });
}

void TControlloRubrica::Scorri(TPassoNavigatore passo) {
    TTableCursor& t = fdb_.T_Rubrica;
    RunGuarded(boxes_, [&] {
        switch (passo) {
            case TPassoNavigatore::Primo:
                t.First();
                break;
            case TPassoNavigatore::Precedente:
                t.Prior();
                break;
            case TPassoNavigatore::Successivo:
                t.Next();
                break;
            case TPassoNavigatore::Ultimo:
                t.Last();
                break;
        }
    });
}

void TControlloRubrica::ChiediSalvataggio() {
    if (!SchedaInSospeso()) return;
    if (boxes_.Ask(kTestoSalvataggio) == TConfirmAnswer::Yes) {
        ScriviCampi();
        fdb_.T_Rubrica.Post();
    } else {
        fdb_.T_Rubrica.Cancel();
    }
    ImpostaStato(TStatoRubrica::Consultazione);
}

void TControlloRubrica::Mostra() {
    const bool eraAperta = fdb_.T_Rubrica.Active();
    RunGuarded(boxes_, [&] {
        fdb_.T_Rubrica.Open();
        fdb_.CaricaRubrica();
    });
    // A contact left pending by the close box may have been settled while the
    // window was away (a year change closes the table): nothing is being
    // edited any more.
    if (!eraAperta && stato_ == TStatoRubrica::Modifica) ImpostaStato(TStatoRubrica::Consultazione);
}

void TControlloRubrica::Nuovo() {
    ImpostaStato(TStatoRubrica::Modifica);
    RunGuarded(boxes_, [&] {
        fdb_.T_Rubrica.Append();
        vista_.FuocoPrimoCampo();
    });
}

void TControlloRubrica::Modifica() {
    ImpostaStato(TStatoRubrica::Modifica);
    RunGuarded(boxes_, [&] {
        fdb_.T_Rubrica.Edit();
        vista_.FuocoPrimoCampo();
    });
}

void TControlloRubrica::Salva() {
    ImpostaStato(TStatoRubrica::Consultazione);
    RunGuarded(boxes_, [&] {
        ScriviCampi();
        fdb_.T_Rubrica.Post();
        fdb_.CaricaRubrica();
    });
}

void TControlloRubrica::Annulla() {
    ImpostaStato(TStatoRubrica::Consultazione);
    RunGuarded(boxes_, [&] { fdb_.T_Rubrica.Cancel(); });
}

void TControlloRubrica::Cancella() {
    ImpostaStato(TStatoRubrica::Conferma);
    if (boxes_.Confirm("Confirm", kTestoCancellazione) == TConfirmAnswer::Yes)
        RunGuarded(boxes_, [&] {
            fdb_.T_Rubrica.Delete();
            fdb_.CaricaRubrica();
        });
    ImpostaStato(TStatoRubrica::Consultazione);
}

void TControlloRubrica::Esci() {
    RunGuarded(boxes_, [&] {
        // Only a failed save leaves a row pending here, and closing would drop it.
        ChiediSalvataggio();
        fdb_.T_Rubrica.Close();
        vista_.Chiudi();
    });
}

void TControlloRubrica::CercaRigaElenco() {
    RunGuarded(boxes_, [&] {
        // The list's row does not move during the walk; a closed list raises
        // before the table moves.
        const TFieldValue wanted = fdb_.QGEN.FieldValue("OrdNum");
        TTableCursor& t = fdb_.T_Rubrica;
        {
            TBandiera silenzio(silenzio_);
            t.First();
            while (!t.AtEnd()) {
                const TFieldValue here = t.FieldValue("OrdNum");
                if (wanted && here == wanted) break;
                t.Next();
            }
        }
        AggiornaScheda();
        AggiornaNavigatore();
    });
}

void TControlloRubrica::Ricarica() {
    RunGuarded(boxes_, [&] {
        fdb_.T_Rubrica.Close();
        fdb_.T_Rubrica.Open();
        fdb_.CaricaRubrica();
    });
}

void TControlloRubrica::ApriCollegamento(const char* campo,
                                         std::optional<std::string> (*link)(const std::string&),
                                         std::string (*rifiuto)(const std::string&)) {
    RunGuarded(boxes_, [&] {
        const TFieldValue value = fdb_.T_Rubrica.FieldValue(campo);
        if (!value) return;
        if (const auto url = link(*value))
            vista_.ApriCollegamento(*url);
        else
            boxes_.ShowInfo(rifiuto(*value));
    });
}

void TControlloRubrica::ApriSito() {
    ApriCollegamento("Sito", LinkSito, [](const std::string& sito) {
        return "Il sito \"" + sito + "\" non è un indirizzo web (http o https) e non viene aperto.";
    });
}

void TControlloRubrica::ScriviMessaggio() {
    ApriCollegamento("Email", LinkMailto, [](const std::string&) {
        return std::string(
            "L'indirizzo e-mail contiene caratteri di controllo: il messaggio non viene aperto.");
    });
}

}  // namespace brivano
