#pragma once
// Passwords and tokens in memory. A secret's bytes are wiped when it goes, and
// while any secret is held the process cannot be dumped: no core file holds
// it and other processes of the user cannot read the program's memory.

#include <cstddef>
#include <string>
#include <string_view>

namespace brivano {

// Overwrites bytes that held a secret, in a way no optimiser removes.
void CancellaMemoria(void* dati, std::size_t byte);

// Overwrites the whole buffer of a text that held a secret on its way
// somewhere, then empties it.
void CancellaTesto(std::string& testo);

// Wipes a text when the scope ends, however it ends.
class TCancellaAllaFine {
  public:
    explicit TCancellaAllaFine(std::string& testo) : testo_(testo) {}
    TCancellaAllaFine(const TCancellaAllaFine&) = delete;
    TCancellaAllaFine& operator=(const TCancellaAllaFine&) = delete;
    ~TCancellaAllaFine() { CancellaTesto(testo_); }

  private:
    std::string& testo_;
};

class TSegreto {
  public:
    TSegreto() = default;
    // Implicit, so a secret stands where a text stood; a text handed over
    // whole is wiped once copied.
    TSegreto(std::string_view testo);  // NOLINT(google-explicit-constructor)
    TSegreto(const std::string& testo) : TSegreto(std::string_view(testo)) {}  // NOLINT
    TSegreto(std::string&& testo);                                             // NOLINT
    TSegreto(const char* testo) : TSegreto(std::string_view(testo)) {}         // NOLINT
    TSegreto(const TSegreto& altro) : TSegreto(std::string_view(altro.testo_)) {}
    TSegreto(TSegreto&& altro) noexcept;
    TSegreto& operator=(const TSegreto& altro);
    TSegreto& operator=(TSegreto&& altro) noexcept;
    ~TSegreto();

    const std::string& Testo() const { return testo_; }
    // Read where a text is expected; the reader must not keep a copy.
    operator const std::string&() const { return testo_; }  // NOLINT(google-explicit-constructor)
    bool empty() const { return testo_.empty(); }
    bool operator==(const TSegreto& altro) const { return testo_ == altro.testo_; }

  private:
    void Cancella();

    std::string testo_;
    bool tenuto_ = false;  // counted among the secrets the process holds
};

// True while the process may be dumped (no secret is held, or dumps were
// already off before the first).
bool ProcessoEsportabile();

}  // namespace brivano
