#pragma once
// Where the browser comes back after the sign-in: a listener on 127.0.0.1
// (a free port) that takes exactly one request, checks its state, answers a
// short Italian page that never repeats the code, and closes.

#include <atomic>
#include <chrono>
#include <string>

namespace brivano {

inline constexpr const char* PaginaAccessoCompletato = "Accesso completato: puoi tornare a Brivano";

class TRitornoAccesso {
  public:
    // Binds 127.0.0.1 on a port the system picks. EAccessoNonRiuscito when
    // no port can be had.
    TRitornoAccesso();
    ~TRitornoAccesso();
    TRitornoAccesso(const TRitornoAccesso&) = delete;
    TRitornoAccesso& operator=(const TRitornoAccesso&) = delete;

    int Porta() const { return porta_; }
    // "http://localhost:PORT/": the address registered clients accept.
    std::string Redirect() const;

    // Waits for the one request (connections that send nothing do not
    // count), then closes the listener whatever came. Returns the `code` of
    // a request whose `state` matches; raises EAccessoNonRiuscito for a wrong
    // or missing state, an error the provider sent back, a wait beyond
    // `limite` or a cancel (`annulla` turned true; looked at every 200 ms).
    std::string Attendi(const std::string& stato, std::chrono::milliseconds limite,
                        const std::atomic<bool>* annulla = nullptr);

  private:
    void Chiudi();
    int ascolto_ = -1;
    int porta_ = 0;
};

}  // namespace brivano
