#pragma once
// The toolkit's own texts (standard buttons, edit-box menus) in Italian, from
// the system's Qt translations.

class QCoreApplication;

namespace brivano {

// Installs the Italian translation of the toolkit's texts in `app`; false when
// the system has none, and the toolkit's texts then stay in English.
bool CaricaTraduzioniQt(QCoreApplication& app);

}  // namespace brivano
