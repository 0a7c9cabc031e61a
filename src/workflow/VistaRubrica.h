#pragma once
// What the address book's controller needs of its window: show the control
// states and the current contact, give back what the user typed, follow the
// list's current row, move the focus, close, hand a link to the desktop.

#include <string>
#include <utility>
#include <vector>

namespace brivano {

// The three control states of the address book.
enum class TStatoRubrica { Consultazione, Modifica, Conferma };

// Which controls a state enables; each command's menu item and tool button go together.
struct TControlliRubrica {
    bool nuovo, modifica, salva, annulla, cancella, esci;
    bool navigatore;  // the four moves over the address table
    bool elenco;      // the list side: search box and grid
    bool dettaglio;   // the detail panel: its edits and the two link buttons
    bool contatti;    // the contacts menu: import, export, do-not-mail list
    bool operator==(const TControlliRubrica&) const = default;
};

// The detail panel's fields by the names of their controls, in tab order.
inline const std::vector<std::string>& CampiScheda() {
    static const std::vector<std::string> campi{"Ragione_Sociale", "Tipo", "CAP", "Citta",
                                                "EMail",           "Sito", "Note"};
    return campi;
}

// (field, text) pairs, fields named as in CampiScheda.
using TTestiCampi = std::vector<std::pair<std::string, std::string>>;

class TVistaRubrica {
  public:
    virtual ~TVistaRubrica() = default;

    virtual void MostraControlli(const TControlliRubrica& controlli) = 0;
    // Every field of the detail panel, each edit marked as not changed by the user.
    virtual void MostraScheda(const TTestiCampi& testi) = 0;
    // The navigator's backward moves (first, prior) and forward ones (next, last).
    virtual void MostraNavigatore(bool indietro, bool avanti) = 0;
    // The list's current row, by its 1-based number in the whole list; 0 for none.
    virtual void MostraRigaElenco(int riga) = 0;
    // The fields the user changed since they were last shown, with their texts.
    virtual TTestiCampi CampiModificati() const = 0;
    virtual void FuocoPrimoCampo() = 0;
    virtual void Chiudi() = 0;
    virtual void ApriCollegamento(const std::string& url) = 0;
};

}  // namespace brivano
