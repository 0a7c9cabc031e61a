#pragma once
// Start-up timing aid for the start-up benchmark: with the environment
// variable BRIVANO_ESCI_DOPO_DIPINTO set, the program writes "dipinto" and the
// processor time it has used so far (microseconds) to its standard output once
// its first window has been painted, and leaves its message loop. Without the variable nothing is
// installed.

namespace brivano {

// Needs a QApplication.
void EsciDopoPrimoDipintoSeRichiesto();

}  // namespace brivano
