#include "tools/AvvioRigaComando.h"

#include <ostream>

#include "Versione.h"
#include "dialogs/MessageBoxes.h"

namespace brivano {

int AvviaRigaComando(const char* programma, const char* aiuto,
                     const std::vector<std::string>& argomenti, std::ostream& out,
                     std::ostream& err, const std::function<int()>& comando) {
    try {
        if (argomenti.empty()) throw EUso("manca il comando");
        if (argomenti[0] == "--help" || argomenti[0] == "-h") {
            out << aiuto;
            return 0;
        }
        if (argomenti[0] == "--version" || argomenti[0] == "-v") {
            out << "Brivano " << kVersione << '\n';
            return 0;
        }
        return comando();
    } catch (const EUso& e) {
        err << programma << ": " << e.what() << "\n\n" << aiuto;
        return UscitaUso;
    } catch (const std::exception& e) {
        err << programma << ": " << ErrorDisplayText(e.what()) << '\n';
        return UscitaErrore;
    }
}

}  // namespace brivano
