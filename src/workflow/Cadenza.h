#pragma once
// Paces a send run so that the account's limits hold: before each message it
// works out how long to wait so that no limit per minute, hour or day and no
// pause is broken, counting the messages already sent within the rolling
// windows. Fed from the journal, the limits hold across runs and restarts.
// Clock and wait come from outside, so tests need no real time. Parallel
// connections share one: a message counts from its start until it ends.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "workflow/LimitiInvio.h"

namespace brivano {

using TIstante = std::chrono::system_clock::time_point;

// What holds the next message back.
enum class TMotivoAttesa { Nessuno, Pausa, Minuto, Ora, Giorno };

struct TTurno {
    TIstante Quando;
    TMotivoAttesa Motivo = TMotivoAttesa::Nessuno;
};

class TCadenza {
  public:
    using TOrologio = std::function<TIstante()>;
    // Waits until the instant; returns false, at once, when the run is stopped.
    using TAttesa = std::function<bool(TIstante fino)>;

    // `inviiPrecedenti`: when earlier messages of the account were taken, in
    // any order.
    TCadenza(const TLimitiInvio& limiti, std::vector<TIstante> inviiPrecedenti, TOrologio adesso,
             TAttesa attendi);

    // Told, with the text to show, before a wait begins.
    std::function<void(const std::string& testo)> AvvisoAttesa;
    // Shares the limits with other processes (the journal's PrenotaTurno):
    // asked once this run's own turn has come; an instant means wait until
    // then and ask again, none means go (and the start is counted there).
    std::function<std::optional<TIstante>(TIstante ora)> TurnoCondiviso;

    // When the next message may start, and what holds it (Nessuno: now).
    TTurno ProssimoTurno() const;
    // Whether the next message must wait: the clock read once, so a turn due
    // now never looks late against a second, later reading.
    bool DeveAttendere() const;
    // Before a message: waits for its turn, then counts the message as under
    // way. False when stopped meanwhile.
    bool AttendiTurno();
    // After a message that AttendiTurno let start. `contato` when the server
    // took it, or may have: it counts against the limits from now on. Any
    // message starts the pause.
    void Registra(bool contato);

    // When `restanti` more messages are likely done: the limits and the pause
    // planned ahead with the time a message took so far. Nothing until one
    // message was measured.
    std::optional<TIstante> FineStimata(std::size_t restanti) const;
    // "3 di 120", then " · fine prevista alle 16:20" once known, and what
    // holds the next message when a limit does.
    std::string TestoAvanzamento(std::size_t fatti, std::size_t totale) const;

  private:
    // The earliest start at or after `da`, given those sends, the messages
    // under way and the last start or end.
    TTurno Turno(const std::deque<TIstante>& invii, std::size_t inVolo,
                 const std::optional<TIstante>& ultimo, TIstante da) const;
    // Time per message: working time (any message under way) over messages.
    std::optional<std::chrono::system_clock::duration> TempoPerMessaggio(TIstante ora) const;
    // Sends older than every window no longer matter.
    void Sfoltisci(std::deque<TIstante>& invii, TIstante adesso) const;

    TLimitiInvio limiti_;
    TOrologio adesso_;
    TAttesa attendi_;
    mutable std::mutex mutex_;
    std::deque<TIstante> invii_;  // ended and counted, oldest first
    std::size_t inVolo_ = 0;
    std::optional<TIstante> ultimo_;  // the latest start or end
    TIstante inizioLavoro_{};         // since when some message is under way
    std::chrono::system_clock::duration lavoro_{};
    std::size_t misurati_ = 0;
};

// "alle 14:35", "domani alle 09:12" or "il 12/12 alle 09:12", in local time.
std::string TestoMomento(TIstante quando, TIstante adesso);
// "In attesa fino alle 14:35" (or another day, as TestoMomento).
std::string TestoAttesa(TIstante fino, TIstante adesso);

// A real wait, in slices of at most 100 ms, that the stop flag ends at once.
// It watches the wall clock, so a machine that slept still goes on in time.
TCadenza::TAttesa AttesaInterrompibile(const std::atomic<bool>* ferma);

}  // namespace brivano
