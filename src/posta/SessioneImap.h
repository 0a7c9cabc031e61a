#pragma once
// One signed-in IMAP connection. libcurl opens it (implicit TLS on 993, or
// STARTTLS required on 143: never a password in the clear) and signs in
// (password or bearer token); the commands of a check then travel over the
// same TLS session, each read up to its tagged reply, literals included.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace brivano {

class EPosta : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class TSicurezzaImap { SSLTLS, STARTTLS };

struct TAccessoImap {
    std::string Host;
    int Porta = 993;
    TSicurezzaImap Sicurezza = TSicurezzaImap::SSLTLS;
    std::string Utente;
    std::string Password;
    // A sign-in token (XOAUTH2) in place of the password, when the account has one.
    std::string Token;
    int AttesaSecondi = 60;
};

// One untagged reply line: its text with "{N}" where a literal stood, and the
// literals in order.
struct TRigaImap {
    std::string Testo;
    std::vector<std::string> Letterali;
};

struct TRispostaImap {
    std::vector<TRigaImap> Righe;
    std::string Esito;  // "OK", "NO" or "BAD"
    std::string Testo;  // the rest of the tagged line
    bool Ok() const { return Esito == "OK"; }
};

class TSessioneImap {
  public:
    // Connects and signs in; raises EPosta, in Italian, naming what failed.
    explicit TSessioneImap(const TAccessoImap& accesso);
    ~TSessioneImap();
    TSessioneImap(const TSessioneImap&) = delete;
    TSessioneImap& operator=(const TSessioneImap&) = delete;

    // Sends one command (without tag and line end) and reads up to its tagged
    // reply. A literal larger than `letteraleMassimo` fails the session.
    TRispostaImap Comando(const std::string& comando);
    // The same; raises EPosta unless the server answered OK.
    TRispostaImap ComandoOk(const std::string& comando);

  private:
    struct TStato;
    void Invia(const std::string& testo);
    std::string LeggiRiga();
    std::string LeggiByte(std::size_t quanti);
    void Riempi();

    std::unique_ptr<TStato> stato_;
};

// The quoted form of a mailbox name or other string argument.
std::string StringaImap(const std::string& testo);
// "1:5,9,12:13" for sorted UIDs.
std::string InsiemeUid(const std::vector<std::uint32_t>& uid);
// The number after `nome` ("UID", "RFC822.SIZE", "UIDVALIDITY") in a line, or 0.
std::uint64_t NumeroDopo(const std::string& riga, const std::string& nome);

}  // namespace brivano
