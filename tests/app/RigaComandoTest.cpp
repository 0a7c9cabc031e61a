#include "app/RigaComando.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Versione.h"

namespace {

struct TRisposta {
    std::optional<int> uscita;
    std::string testo;
};

TRisposta Rispondi(std::vector<const char*> args) {
    args.insert(args.begin(), "brivano");
    std::ostringstream out;
    TRisposta r;
    r.uscita = brivano::RispondiRigaComando(static_cast<int>(args.size()), args.data(), out);
    r.testo = out.str();
    return r;
}

TEST(RigaComando, VersionAndHelpAnswerAndEnd) {
    const std::string versione = std::string("Brivano ") + brivano::kVersione + "\n";
    struct {
        std::vector<const char*> args;
        std::string inizio;
    } const casi[] = {
        {{"--version"}, versione},
        {{"-v"}, versione},
        {{"--help"}, "Uso: brivano [OPZIONE]\n"},
        {{"-h"}, "Uso: brivano [OPZIONE]\n"},
        // Qt's own options may come first; the program's answer still wins.
        {{"-platform", "offscreen", "--version"}, versione},
        {{"--help", "--version"}, "Uso: brivano"},
    };
    for (const auto& c : casi) {
        const TRisposta r = Rispondi(c.args);
        ASSERT_EQ(r.uscita, 0) << c.args.back();
        EXPECT_EQ(r.testo.substr(0, c.inizio.size()), c.inizio) << c.args.back();
    }
}

TEST(RigaComando, HelpNamesTheOptionsAndTheDataFolders) {
    const std::string testo = Rispondi({"--help"}).testo;
    for (const char* parte : {"--help", "--version", "KORALDI/Brivano.reg", "XDG_DATA_HOME"})
        EXPECT_NE(testo.find(parte), std::string::npos) << parte;
}

TEST(RigaComando, OtherArgumentsLeaveTheStartToTheWindows) {
    for (const std::vector<const char*>& args : {std::vector<const char*>{},
                                                 {"-platform", "offscreen"},
                                                 {"--style=Fusion"},
                                                 {"--versione"}}) {
        const TRisposta r = Rispondi(args);
        EXPECT_FALSE(r.uscita.has_value());
        EXPECT_TRUE(r.testo.empty());
    }
}

}  // namespace
