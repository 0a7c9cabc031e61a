#pragma once
// The files of the run under way: every entry's files checked before the
// first connection, the entries they leave out told and the user asked, the
// files kept in the journal and put into each entry's message.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/MessageBoxes.h"
#include "workflow/Allegati.h"
#include "workflow/TipiInvio.h"

namespace brivano {

class TRegistroInvii;

// Keeps the elements whose mark is true; those past the marks go.
template <class T>
void TieniSolo(std::vector<T>& elementi, const std::vector<bool>& tenere) {
    std::size_t dove = 0;
    for (std::size_t i = 0; i < elementi.size() && i < tenere.size(); ++i) {
        if (!tenere[i]) continue;
        // Never onto itself: a moved-onto-itself text comes out empty.
        if (dove != i) elementi[dove] = std::move(elementi[i]);
        ++dove;
    }
    elementi.resize(dove);
}

class TAllegatiCorsa {
  public:
    // A run without files.
    TAllegatiCorsa() = default;

    // Checks the files of `voci` (with their fields). For a resume or a
    // resend (`spedizione` set, `posizioni` the journal's positions, empty:
    // 0, 1, 2 …) each entry's files are compared with those the journal kept.
    // Entries left out are listed and the user asked whether to go on;
    // messages above the warning size are named in the same question.
    // nullopt: nothing is to start (told through `boxes`).
    static std::optional<TAllegatiCorsa> Prepara(TMessageBoxes& boxes, const TDatiInvio& dati,
                                                 const std::vector<std::string>& voci,
                                                 const std::vector<TCampiContatto>& campi,
                                                 TRegistroInvii* registro, std::int64_t spedizione,
                                                 const std::vector<std::size_t>& posizioni);

    // Per entry checked: whether it goes.
    const std::vector<bool>& Tenute() const { return tenute_; }
    // The entries left out: "voce: reason", in list order.
    const std::vector<std::string>& Motivi() const { return motivi_; }
    // Files of the entries that go, in their order.
    const std::vector<std::vector<TFileAllegato>>& File() const { return file_; }

    // Keeps the choice and every entry's files in the journal (positions as
    // in Prepara).
    void Registra(TRegistroInvii* registro, std::int64_t spedizione,
                  const std::vector<std::size_t>& posizioni) const;
    // The files of entry `indice` (of those that go) into the message.
    void Applica(std::size_t indice, TIdMessage& message) const;

  private:
    TSceltaAllegati scelta_;
    std::vector<bool> tenute_;
    std::vector<std::string> motivi_;
    std::vector<std::vector<TFileAllegato>> file_;
    std::shared_ptr<TCaricaAllegati> carica_;
};

// One entry's files for the preview: put into the message, and listed one
// per line with their sizes (or the reason the entry would be left out).
// Empty without files.
std::string AllegatiAnteprima(const TSceltaAllegati& scelta, const TCampiContatto& campi,
                              std::uintmax_t massimo, TIdMessage& message);

// The run's choice of files as the journal kept it (none: unchanged).
void AggiungiAllegatiRegistrati(TDatiInvio& dati, const TRegistroInvii& registro,
                                std::int64_t spedizione);

}  // namespace brivano
