#pragma once
// What a processed message does to the journal and the do-not-mail list:
//   a hard bounce marks the entry "rimbalzato" (code and diagnostic) and puts
//   the address on the list ("rimbalzo 5.1.1 …", with the report's Message-ID);
//   soft bounces are counted per address, one per run, and the threshold-th
//   in a row puts it on the list;
//   a "Cancellami" request puts the sender, and any address of its text that
//   the journal shows as a recipient, on the list ("richiesta del destinatario").
// Every action is recorded in TArchivioPosta and can be undone.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "posta/ArchivioPosta.h"
#include "posta/ControlloPosta.h"

namespace brivano {

class TNonInviare;
class TRegistroInvii;

inline constexpr const char* MotivoRichiesta = "richiesta del destinatario";
inline constexpr int TemporaneiAbituali = 3;

class TEffettiPosta {
  public:
    // Reads the journal's sent entries once, to match reports and requests.
    TEffettiPosta(TRegistroInvii& registro, TNonInviare& elenco, TArchivioPosta& archivio,
                  int sogliaTemporanei = TemporaneiAbituali);

    // Whether a Message-ID is one the journal shows as sent.
    bool Nostro(std::string_view messageId) const;
    void Applica(const TMessaggioElaborato& messaggio);

    // Undoes one recorded action: the address leaves the list (when this
    // action put it there), a bounced entry is "inviato" again, a soft count
    // starts over. Raises EPosta for an unknown or already undone action.
    void Annulla(std::int64_t id);

  private:
    struct TVoceGiornale {
        std::int64_t Spedizione = 0;
        std::size_t Posizione = 0;
    };
    std::optional<TVoceGiornale> Trova(const std::string& indirizzo,
                                       const std::vector<std::string>& richiamati) const;
    void Registra(TRegistrazionePosta voce, const std::optional<TVoceGiornale>& giornale);

    TRegistroInvii& registro_;
    TNonInviare& elenco_;
    TArchivioPosta& archivio_;
    int soglia_;
    std::map<std::string, TVoceGiornale> perMessageId_;
    // Sent entries of each address (normal form), oldest first.
    std::map<std::string, std::vector<TVoceGiornale>> perIndirizzo_;
    std::map<std::string, std::string> indirizzoDiMessageId_;
};

}  // namespace brivano
