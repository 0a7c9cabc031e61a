#pragma once
// The address book's commands and control states, over T_Rubrica and QGEN of
// the data module; the window only forwards its events here and shows what it
// is told. Lives as long as its window: states and a pending row survive the
// close box.

#include <optional>
#include <string>

#include "workflow/VistaRubrica.h"

class TFDB;
class TMessageBoxes;

namespace brivano {

TControlliRubrica ControlliPerStato(TStatoRubrica stato);

enum class TPassoNavigatore { Primo, Precedente, Successivo, Ultimo };

class TControlloRubrica {
  public:
    // Shows the browsing state and the table's current row at once.
    TControlloRubrica(TFDB& fdb, TMessageBoxes& boxes, TVistaRubrica& vista);
    ~TControlloRubrica();
    TControlloRubrica(const TControlloRubrica&) = delete;
    TControlloRubrica& operator=(const TControlloRubrica&) = delete;

    TStatoRubrica Stato() const { return stato_; }
    // True while T_Rubrica holds a new or edited row not yet written.
    bool SchedaInSospeso() const;

    // Each command reports an escaping error on the general error display,
    // except ChiediSalvataggio, whose error reaches the caller.
    void Mostra();  // the window is being shown
    void Nuovo();
    void Modifica();
    void Salva();
    void Annulla();
    void Cancella();
    void Esci();
    // Brings T_Rubrica to the list's current row, found by OrdNum.
    void CercaRigaElenco();
    void ApriSito();
    void ScriviMessaggio();
    void Scorri(TPassoNavigatore passo);
    // Reopens the table and the list (after an import).
    void Ricarica();

    // The user moved the list's highlight to a row (1-based, whole list).
    void RigaElencoScelta(int riga);
    // Focus left a field of the detail panel whose text the user changed.
    void CampoLasciato(const std::string& campo, const std::string& testo);

    // When the program is closing or the year changes: a pending row is saved
    // (Yes) or dropped (No) on the user's word. When it cannot be written the
    // engine's error escapes and the row stays pending.
    void ChiediSalvataggio();

  private:
    void ImpostaStato(TStatoRubrica stato);
    void ScriviCampi();  // the changed texts on screen into the row
    void AggiornaScheda();
    void AggiornaNavigatore();
    void AggiornaRigaElenco();
    void ApriCollegamento(const char* campo, std::optional<std::string> (*link)(const std::string&),
                          std::string (*rifiuto)(const std::string&));

    TFDB& fdb_;
    TMessageBoxes& boxes_;
    TVistaRubrica& vista_;
    TStatoRubrica stato_ = TStatoRubrica::Consultazione;
    int tableListener_ = 0, queryListener_ = 0;
    bool silenzio_ = false;     // no detail refresh while a command walks the table
    bool seguoElenco_ = false;  // the view is following QGEN: not a user's choice
};

}  // namespace brivano
