#include "workflow/Contatto.h"

namespace brivano {

const char* NomeColonna(TCampo campo) {
    switch (campo) {
        case TCampo::Tipo:
            return "Tipo";
        case TCampo::Ragione_Sociale:
            return "Ragione_Sociale";
        case TCampo::Citta:
            return "Citta";
        case TCampo::Cap:
            return "Cap";
        case TCampo::EMail:
            return "EMail";
        case TCampo::Sito:
            return "Sito";
        case TCampo::Note:
            return "Note";
    }
    return "";
}

const char* NomeCampo(TCampo campo) {
    switch (campo) {
        case TCampo::Tipo:
            return "Tipo";
        case TCampo::Ragione_Sociale:
            return "Ragione Sociale";
        case TCampo::Citta:
            return "Città";
        case TCampo::Cap:
            return "CAP";
        case TCampo::EMail:
            return "Email";
        case TCampo::Sito:
            return "Sito";
        case TCampo::Note:
            return "Note";
    }
    return "";
}

}  // namespace brivano
