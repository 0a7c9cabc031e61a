#pragma once
// What a message found in the sender's mailbox is: a bounce (hard or soft), a
// "Cancellami" request, an automatic reply or anything else. Reading the MIME
// structure is left to GMime; this unit only decides.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace brivano {

enum class TTipoPosta {
    RimbalzoDefinitivo,
    RimbalzoTemporaneo,
    Cancellami,
    RispostaAutomatica,
    Altro
};

// "rimbalzo-definitivo", "rimbalzo-temporaneo", "cancellami", "risposta-automatica", "altro".
const char* NomeTipoPosta(TTipoPosta tipo);

// One address a message speaks of.
struct TIndirizzoPosta {
    std::string Indirizzo;
    TTipoPosta Tipo = TTipoPosta::Altro;  // a bounce's kind for this recipient
    std::string Stato;                    // "5.1.1", or a reply code such as "550"; may be empty
    std::string Diagnosi;                 // the server's words, one line
};

struct TPostaClassificata {
    TTipoPosta Tipo = TTipoPosta::Altro;
    // Bounces: the recipients; requests: the From address first, then the
    // addresses written in the text above any quotation (the caller keeps only
    // those the journal knows).
    std::vector<TIndirizzoPosta> Indirizzi;
    std::string MessageId;  // of this message, without angle brackets
    std::string Data;       // its Date, as written
    // The Message-IDs of ours it refers to: a bounce's returned message, a
    // reply's In-Reply-To and References.
    std::vector<std::string> Richiamati;
};

// Tells whether a Message-ID (without angle brackets) is one we sent; empty:
// none is known.
using TNostroMessageId = std::function<bool(std::string_view)>;

// Never fails: bytes that are no message are "altro".
TPostaClassificata ClassificaPosta(std::string_view messaggio, const TNostroMessageId& nostro = {});

// The lines `posta esamina` prints for one message: the kind alone, or one
// line per address ("rimbalzo-definitivo ADDRESS STATUS", "cancellami ADDRESS").
std::vector<std::string> RigheEsame(const TPostaClassificata& classificata);

}  // namespace brivano
