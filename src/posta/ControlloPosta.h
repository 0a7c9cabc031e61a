#pragma once
// One check of the sender's mailbox: only the messages that arrived since the
// last check (UIDVALIDITY and last UID kept in TArchivioPosta), fetched
// without marking them read, those over the size cap skipped. Bounces,
// requests and automatic replies are handed to the caller, then moved to
// "Brivano/Elaborati" or marked with a keyword; nothing is ever deleted
// but the moved copies' originals, by their UIDs alone.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "posta/ArchivioPosta.h"
#include "posta/ClassificaPosta.h"
#include "posta/SessioneImap.h"

namespace brivano {

enum class TDopoElaborazione { Sposta, Segna };

inline constexpr const char* CartellaElaborati = "Brivano/Elaborati";
inline constexpr const char* ParolaElaborato = "BrivanoElaborato";
inline constexpr std::size_t DimensioneMassimaPosta = 10u << 20;

struct TOpzioniControllo {
    TDopoElaborazione Dopo = TDopoElaborazione::Sposta;
    std::size_t DimensioneMassima = DimensioneMassimaPosta;
    std::string Casella = "INBOX";
    std::size_t Lotto = 100;  // messages fetched by one command
};

struct TMessaggioElaborato {
    std::uint32_t Uid = 0;
    TPostaClassificata Esito;
};

struct TEsitoControllo {
    std::size_t Nuovi = 0;         // arrived since the last check
    std::size_t Scaricati = 0;     // fetched whole
    std::size_t TroppoGrandi = 0;  // over the cap, left alone
    std::size_t Altri = 0;         // neither bounce, request nor automatic reply
    bool ValiditaCambiata = false;
    std::vector<TMessaggioElaborato> Elaborati;
    // How the processed messages were put away: moved, copied then expunged,
    // or marked with the keyword.
    std::string Sistemazione;
};

// Called for every bounce, request and automatic reply before it is put
// away; an exception stops the check with nothing of that batch moved.
using TSuMessaggio = std::function<void(const TMessaggioElaborato&)>;

// The key of a mailbox in TArchivioPosta.
std::string ChiaveCasella(const TAccessoImap& accesso, const std::string& casella);

// Raises EPosta (in Italian) when the server cannot be reached or refuses a
// step; what was acted on before stays acted on.
TEsitoControllo ControllaPosta(const TAccessoImap& accesso, TArchivioPosta& archivio,
                               const TOpzioniControllo& opzioni, const TSuMessaggio& effetti,
                               const TNostroMessageId& nostro = {});

}  // namespace brivano
