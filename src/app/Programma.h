#pragma once
// The program's run: the main window, the data module and every other window
// created once, in this order, then the message loop until the main window
// closes.

#include <functional>
#include <memory>
#include <string>

class TFDB;
class TMessageBoxes;

namespace brivano {

using TCreaFDB = std::function<std::unique_ptr<TFDB>(TMessageBoxes&)>;

// Needs a QApplication. When the data module (or a window) cannot be created
// the error is shown and 1 is returned before the main window appears;
// otherwise the loop's exit code.
int Programma(TMessageBoxes& boxes, const std::string& cartellaProgramma, bool cartellaScrivibile,
              const TCreaFDB& creaFDB);

}  // namespace brivano
