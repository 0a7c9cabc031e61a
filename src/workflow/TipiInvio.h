#pragma once
// The types a send run shares with whoever starts it, shows it or records
// it: the run's settings, its waits and options, its notices and its
// results. No unit needs the run loop for these.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exception/IdException.h"
#include "smtp/IdExplicitTLSClient.h"
#include "smtp/IdSMTPBase.h"
#include "smtp/IdTLSException.h"
#include "text/Segreto.h"
#include "workflow/Allegati.h"
#include "workflow/StatoVoce.h"

class TIdMessage;
class TIdSMTP;

namespace brivano {

struct TDatiInvio {
    std::string Host;
    std::string Mittente;  // sender address, also the user name unless Utente says otherwise
    TSegreto Password;
    std::string Oggetto;
    std::array<std::string, 8> Righe;
    int Porta = 25;
    // From the saved account; without one, no TLS and the sender logs in.
    TIdUseTLS UseTLS = utNoTLSSupport;
    // The server certificate the user trusted, for its host and port.
    TIdTrustedCertificate CertificatoFidato;
    std::string Utente;
    // The display name of "From"; empty: the sender address.
    std::string MittenteNome;
    // Whether messages carry "List-Unsubscribe" (a mail to the sender).
    bool ListUnsubscribe = true;
    // From the saved account: messages per SMTP session and parallel
    // connections (see TOpzioniInvio).
    int PerConnessione = 1;
    int Connessioni = 1;
    // Set with a saved account: AUTH PLAIN when offered (one round trip).
    bool PreferisciPlain = false;
    // Set for an account that signs in: gives the bearer token the login
    // sends instead of the password (see TIdBearerSource).
    std::function<std::string(const std::string& rifiutato)> Token;
    // The files every message carries and the per-recipient pattern, and the
    // account's largest message.
    TSceltaAllegati Allegati;
    std::uintmax_t DimensioneMassima = DimensioneMassimaPredefinitaMB * MegaByte;
};

// Waits of one recipient's dialogue, in milliseconds. A reply limit covers
// the whole reply; a write limit the whole of one write.
struct TLimitiTempo {
    int Connessione = 30000;
    int Risposta = 300000;  // every reply without its own limit below
    TIdSMTPReplyTimeouts PerFase{300000, 300000, 120000, 600000, 30000};
    int Scrittura = 120000;
};

// A text typed by the user that would end a protocol line.
class EInvioTestoNonValido : public EIdException {
  public:
    using EIdException::EIdException;
};

class TRegistroInvii;
class TCadenza;

struct TFallimento {
    std::size_t Indice;
    std::string Voce;
    std::string Errore;  // the reply's first line, at most TestoErroreMassimo bytes
};

constexpr std::size_t TestoErroreMassimo = 300;

// The first line of an error text, cut to TestoErroreMassimo bytes on a
// character boundary.
std::string TestoErroreBreve(const std::string& testo);

struct TEsitoInvio {
    std::size_t Inviati = 0;
    std::vector<TFallimento> Falliti;
    // Still deferred (4xx) after the last retry, or when the run stopped.
    std::vector<TFallimento> Rinviati;
    // The end of data was written and no answer came: the server may have
    // the message. Never sent again without the user saying so.
    std::vector<TFallimento> Incerti;
    bool Interrotto = false;
    // Why the run stopped when the user did not stop it (the sign-in must be
    // done again); empty otherwise.
    std::string MotivoInterruzione;
    // Entries not sent because they are on the do-not-mail list.
    std::vector<std::size_t> Esclusi;
    // Entries the journal left out as they went: the address was served
    // meanwhile (by this list or another run of the same message), or the
    // entry is no longer to send (Nessuno).
    struct TSaltato {
        std::size_t Indice;
        TMotivoEsclusione Motivo;
    };
    std::vector<TSaltato> Saltati;
};

struct TAvvisiInvio {
    // True for an entry that must not be sent (the do-not-mail list).
    std::function<bool(std::size_t indice, const std::string& voce)> Escluso;
    // Before entry `indice` is sent: puts that entry's subject and body into
    // the message (merge fields).
    std::function<void(std::size_t indice, TIdMessage& message)> Componi;
    std::function<void(std::size_t indice, const std::string& voce)> Inizio;
    std::function<void(std::size_t fatti)> Fatto;
};

struct TOpzioniInvio {
    // Journal and run to record in (none: nothing recorded).
    TRegistroInvii* Registro = nullptr;
    std::int64_t Spedizione = 0;
    // The journal position of each entry; empty: 0, 1, 2 ... in order.
    std::vector<std::size_t> Posizioni;
    // Each entry's Message-ID made once and the same in every header block
    // it gets, so the journal keeps the one on the wire; MessageId holds the
    // ids entries already had (a resume or a resend: the server or a bounce
    // may know them), empty or shorter: new ones. Off: the message makes an
    // id for every header block.
    bool IdPerVoce = false;
    std::vector<std::string> MessageId;
    // Turned true by the stop button: the run ends within a second.
    const std::atomic<bool>* Interrompi = nullptr;
    // Further rounds for deferred (4xx) entries, and the wait before each.
    int Tentativi = 2;
    int AttesaTentativoMs = 60000;
    // Waits that many milliseconds (less when stopped); tests bring their own.
    std::function<void(int)> Attendi;
    // Messages one SMTP session carries (RSET between them); 1 is one
    // connection per message.
    int PerConnessione = 1;
    // Connections working the list side by side, 1 to ConnessioniMassime;
    // more than one needs NuovaConnessione, which prepares each further
    // client as the run's own (PreparaConnessione).
    int Connessioni = 1;
    std::function<void(TIdSMTP&)> NuovaConnessione;
    // Paces the messages to the account's limits (none: one after another).
    std::shared_ptr<TCadenza> Cadenza;
};

constexpr int ConnessioniMassime = 4;

// The text of the message box after a run with failures: one line per entry.
std::string TestoFallimenti(const std::vector<TFallimento>& falliti);

}  // namespace brivano
