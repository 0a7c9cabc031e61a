#pragma once
// A footer for promotional runs: who controls the data, why this person gets
// the message (from the contact register, as a merge field), the free right
// to object by answering "CANCELLAMI", and where the full notice is. The
// bracketed parts are for the user to fill in "Piè pagina…".

#include <string>
#include <vector>

namespace brivano {

struct TVoceRegistro;

// `titolare` is the sender's name from the account; empty: a bracketed place.
std::vector<std::string> PiePaginaModello(const std::string& titolare);

// Why an entry gets a promotion, for "Ricevi questa email perché …":
// "sei nostro cliente", "ci hai dato il consenso il 15/01/2024"; empty for a
// basis that allows none.
std::string MotivoContatto(const TVoceRegistro& voce);

}  // namespace brivano
