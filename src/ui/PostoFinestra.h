#pragma once
// A modal window that keeps its place: Escape does not close it (it has no
// cancel button), it opens centred on the desktop the first time, and later
// where it was left. Letting the toolkit place it over its owner at every
// showing makes it creep down by the height of the title bar each time.

class QDialog;

namespace brivano {

void TieniPostoFinestra(QDialog& window);

}  // namespace brivano
