#pragma once
// Short Italian explanations of the transport errors a user meets, shown
// beside the technical text in the failure report and in the connection test.

#include <exception>
#include <string>

namespace brivano {

// The explanation of an error, or empty text for an error without one.
std::string SpiegaErrore(const std::exception& errore);

// The technical text on one line, then the explanation in parentheses when
// there is one: "Socket Error # 10061 Connection refused. (Connessione
// rifiutata: controllare host e porta)".
std::string TestoConSpiegazione(const std::exception& errore);

// A reply error's lines (or any multi-line text) joined on one line.
std::string SuUnaRiga(const std::string& testo);

}  // namespace brivano
