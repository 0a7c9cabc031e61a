#pragma once
#include <stdexcept>

// Every failure of the database engine; the message says what went wrong.
class EArchiveError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
