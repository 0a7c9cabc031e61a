#pragma once
// A file carried by a message after its text: the name the reader sees, its
// media type and its bytes. The bytes are shared, so copies of a message (one
// per connection) and messages of one run keep a common file once.

#include <memory>
#include <string>

#include "exception/IdException.h"

namespace brivano {

struct TAllegato {
    std::string Nome;       // UTF-8, without folders
    std::string TipoMedia;  // "application/pdf"; empty: application/octet-stream
    std::shared_ptr<const std::string> Contenuto;  // null: could not be read
};

// A message whose file could not be read: it never leaves without it.
class EAllegatoIlleggibile : public EIdException {
  public:
    explicit EAllegatoIlleggibile(const std::string& nome)
        : EIdException("L'allegato " + nome +
                       " non si legge più o è cambiato dopo il controllo: messaggio non inviato") {}
};

}  // namespace brivano
