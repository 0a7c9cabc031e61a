#pragma once
// The message the mailing window sends: eight typed lines, nine empty lines
// and the nine-line privacy footer, joined with CR as the window does.

#include <array>
#include <string>

namespace sample {

inline constexpr std::array<const char*, 8> kTypedLines = {
    "Gentile cliente,",
    "",
    "siamo lieti di presentarvi le nuove offerte di primavera.",
    "Tutti i prezzi sono validi fino alla fine del mese.",
    ".5% di sconto aggiuntivo per chi ordina entro venerdi.",
    "",
    "Cordiali saluti,",
    "Ufficio commerciale"};

inline constexpr std::array<const char*, 9> kFooter = {
    "Se avete ricevuto per errore questa comunicazione o non siete interessati all argomento "
    "trattato,",
    "ci scusiamo per il disturbo arrecato.",
    "Gli indirizzi email presenti nel nostro archivio provengono da  altri nostri recapiti o da "
    "elenchi",
    "di pubblico dominio pubblicati su Internet o su altri media.",
    "I vostri dati, di cui l indirizzo email, sono trattati in via informatica nel rispetto dei "
    "principi",
    "di protezione della privacy.",
    "Se NON desiderate ricevere ulteriori comunicazioni di questo tipo potete in qualsiasi "
    "momento",
    "(in base al DLGS 196/2003) cancellarvi, scrivendo a questo indirizzo mettendo nell oggetto "
    "Cancellami",
    "e specificando l email da cancellare."};

// The body text as the window hands it to the message (43 pieces, each ended by CR).
inline std::string BodyText() {
    std::string text;
    for (const char* line : kTypedLines) text.append(line).append("\r");
    text.append(9, '\r');
    for (const char* line : kFooter) text.append(line).append("\r");
    return text;
}

}  // namespace sample
