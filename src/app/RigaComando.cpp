#include "app/RigaComando.h"

#include <string_view>

#include "Versione.h"

namespace brivano {

namespace {

constexpr const char* kAiuto =
    "Uso: brivano [OPZIONE]\n"
    "Rubrica di contatti commerciali che invia un messaggio di posta a ogni\n"
    "destinatario scelto.\n"
    "\n"
    "  -h, --help      mostra questo aiuto ed esce\n"
    "  -v, --version   mostra la versione ed esce\n"
    "\n"
    "Senza opzioni apre la finestra principale. La configurazione sta in\n"
    "$XDG_CONFIG_HOME/KORALDI/Brivano.reg (di norma ~/.config/KORALDI/Brivano.reg);\n"
    "se la cartella del programma non si può scrivere, gli archivi stanno in\n"
    "$XDG_DATA_HOME/Brivano/ (di norma ~/.local/share/Brivano/).\n";

}  // namespace

std::optional<int> RispondiRigaComando(int argc, const char* const* argv, std::ostream& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            out << kAiuto;
            return 0;
        }
        if (arg == "--version" || arg == "-v") {
            out << "Brivano " << kVersione << '\n';
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace brivano
