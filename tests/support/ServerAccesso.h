#pragma once
// Starts ServerAccesso.py, the tests' loopback authorization server, with
// /usr/bin/python3; it binds port 0 and reports the port. Closing its
// standard input ends it. Also writes the stand-in browser the program's
// browser hook (BRIVANO_BROWSER) runs.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ProcessoDiProva.h"

#ifndef BRIVANO_ACCESSO_SCRIPT
#error "BRIVANO_ACCESSO_SCRIPT names ServerAccesso.py"
#endif

class TServerAccesso {
  public:
    TServerAccesso(const std::filesystem::path& folder, const std::vector<std::string>& options)
        : folder_(folder), peer_(Start(folder, options)), port_(peer_.PortaAnnunciata()) {}
    TServerAccesso(const TServerAccesso&) = delete;
    TServerAccesso& operator=(const TServerAccesso&) = delete;

    bool Ready() const { return port_ > 0; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // The grant types of the token requests so far.
    std::vector<std::string> Requests() const {
        std::vector<std::string> lines;
        std::ifstream file(folder_ / "requests");
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }

    // An executable in `dir` running the stand-in browser; its page goes to
    // `dir`/pagina.
    static std::filesystem::path WriteBrowser(const std::filesystem::path& dir) {
        const auto path = dir / "browser.sh";
        std::ofstream(path) << "#!/bin/sh\nexec /usr/bin/python3 '" << BRIVANO_ACCESSO_SCRIPT
                            << "' --browser \"$1\"\n";
        ::chmod(path.c_str(), 0700);
        return path;
    }

  private:
    static TProcessoDiProva::TAvvio Start(const std::filesystem::path& folder,
                                          const std::vector<std::string>& options) {
        TProcessoDiProva::TAvvio start{
            {"/usr/bin/python3", BRIVANO_ACCESSO_SCRIPT, folder.string()}, {}, true};
        start.Argomenti.insert(start.Argomenti.end(), options.begin(), options.end());
        return start;
    }

    std::filesystem::path folder_;
    TProcessoDiProva peer_;
    int port_ = 0;
};
