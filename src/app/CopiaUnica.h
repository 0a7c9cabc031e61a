#pragma once
// One running copy of the program per user: two copies would overwrite each
// other's configuration writes. The first copy holds a lock file in the
// user's runtime folder for as long as it runs.

#include <QLockFile>
#include <QString>

namespace brivano {

inline constexpr const char* GiaInEsecuzione = "Brivano è già in esecuzione";

class TCopiaUnica {
  public:
    // The lock "brivano.lock" of `cartella`; by default the user's runtime
    // folder ($XDG_RUNTIME_DIR).
    explicit TCopiaUnica(const QString& cartella = CartellaRuntime());
    TCopiaUnica(const TCopiaUnica&) = delete;
    TCopiaUnica& operator=(const TCopiaUnica&) = delete;

    // False only when another running copy holds the lock. The lock of a copy
    // that is gone (killed, crashed) is taken over; when no lock can be made
    // at all (no runtime folder) the program runs unguarded rather than not at all.
    bool Prendi();

    static QString CartellaRuntime();

  private:
    QLockFile lock_;
};

}  // namespace brivano
