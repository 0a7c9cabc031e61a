#pragma once
// The program creates every window at start, but the controls of the windows
// nobody has opened yet need not stand before the main window is painted.
// Once the program asks for it, a window hands its control building here; it
// runs when the window is about to be opened (CostruisciOra) or, for the
// windows not opened by then, one at a time once the main window has been
// painted. Otherwise, as in tests that create a window and look at it at
// once, the building runs at once.

#include <functional>

class QWidget;

namespace brivano {

// Called by the program before it creates its windows.
void DifferisciCostruzioneFinestre(bool differisci);

// Runs `costruisci` now, or later when the program defers.
void CostruisciControlli(QWidget& finestra, std::function<void()> costruisci);

// Before a window is shown: its controls stand afterwards (every part handed
// in for it, in order).
void CostruisciOra(QWidget& finestra);

// Once `principale` has been painted, the windows still waiting are built,
// one per turn of the message loop.
void CostruisciDopoPrimoDipinto(QWidget& principale);

}  // namespace brivano
