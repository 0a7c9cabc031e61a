#pragma once
// Hands the items of a list out to a few workers, in list order, from one
// shared counter: the first worker runs on the caller's thread, every other
// on a thread of its own.

#include <cstddef>
#include <functional>

namespace brivano {

// Calls `lavora(lavoratore, k)` once for each k in 0 .. quante-1, taken in
// order by whichever of the `lavoratori` workers is free (at least one);
// `lavora` returns false when its worker must take nothing more, and
// `smetti` (when set), asked before each take, true when no worker may. The
// first exception raised by `lavora` keeps every worker from taking more and
// is raised again here once all have ended. One worker: a plain loop on the
// caller's thread.
void DistribuisciVoci(std::size_t lavoratori, std::size_t quante,
                      const std::function<bool(std::size_t lavoratore, std::size_t k)>& lavora,
                      const std::function<bool()>& smetti = {});

}  // namespace brivano
