#pragma once
// Libraries that only sending, signing in and reading the mailbox need are
// not linked to the program: its definitions of their functions load the
// library on the first call and pass the call on, so the start-up does not
// pay for loading them and binding their symbols.

#include <atomic>

namespace brivano {

// One library, by the file name the dynamic loader knows it by.
struct TLibreriaAlPrimoUso {
    const char* File;
    std::atomic<void*> Aperta{nullptr};
};

// The address of `funzione` in `libreria`, loading it the first time; throws
// std::runtime_error with an Italian text when either cannot be found.
void* IndirizzoAlPrimoUso(TLibreriaAlPrimoUso& libreria, const char* funzione);

template <typename F>
F FunzioneAlPrimoUso(std::atomic<F>& indirizzo, TLibreriaAlPrimoUso& libreria,
                     const char* funzione) {
    F f = indirizzo.load(std::memory_order_acquire);
    if (f == nullptr) {
        f = reinterpret_cast<F>(IndirizzoAlPrimoUso(libreria, funzione));
        indirizzo.store(f, std::memory_order_release);
    }
    return f;
}

}  // namespace brivano

// The real `funzione` of `libreria` (a TLibreriaAlPrimoUso), ready to call.
#define BRIVANO_AL_PRIMO_USO(libreria, funzione)                            \
    [] {                                                                    \
        static std::atomic<decltype(&(funzione))> indirizzo{nullptr};       \
        return brivano::FunzioneAlPrimoUso(indirizzo, libreria, #funzione); \
    }()
