#pragma once
// Short Italian explanations of the transport errors a user meets, shown
// before the technical text in the failure report and in the connection test.
// A server reply is explained by the command it answered as well as its code.

#include <exception>
#include <string>

namespace brivano {

// The explanation of an error, or empty text for an error without one.
std::string SpiegaErrore(const std::exception& errore);

// The explanation first, then the technical text on one line: "Connessione
// rifiutata: controllare host e porta. Dettagli: Socket Error # 10061
// Connection refused."; the technical text alone without an explanation.
std::string TestoConSpiegazione(const std::exception& errore);

// The explanation, then "Dettagli: " and the technical text; either alone
// when the other is empty.
std::string ConDettagli(const std::string& spiegazione, const std::string& tecnico);

// A reply error's lines (or any multi-line text) joined on one line.
std::string SuUnaRiga(const std::string& testo);

}  // namespace brivano
