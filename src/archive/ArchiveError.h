#pragma once
#include "basedati/BaseDati.h"

// Every failure of the database engine; the message says what went wrong.
class EArchiveError : public brivano::EBaseDati {
  public:
    using brivano::EBaseDati::EBaseDati;
    explicit EArchiveError(const brivano::EBaseDati& errore) : brivano::EBaseDati(errore) {}
};
