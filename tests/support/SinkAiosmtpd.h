#pragma once
// Starts SinkAiosmtpd.py (Debian's aiosmtpd, plain, STARTTLS or implicit TLS)
// with /usr/bin/python3; the sink binds port 0 itself and reports the port it
// got, so no other process can take the port in between. Closing its standard
// input ends it.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ProcessoDiProva.h"

#ifndef BRIVANO_SINK_SCRIPT
#error "BRIVANO_SINK_SCRIPT names SinkAiosmtpd.py"
#endif

class TSinkAiosmtpd {
  public:
    // folder: where the sink writes; arguments: MODE and the options of
    // SinkAiosmtpd.py (by default a plain sink accepting any login).
    explicit TSinkAiosmtpd(const std::filesystem::path& folder,
                           const std::vector<std::string>& arguments = {"plain"})
        : folder_(folder), peer_(Start(folder, arguments)), port_(peer_.PortaAnnunciata()) {}
    TSinkAiosmtpd(const TSinkAiosmtpd&) = delete;
    TSinkAiosmtpd& operator=(const TSinkAiosmtpd&) = delete;

    bool Ready() const { return port_ > 0; }
    int Port() const { return port_; }

    // The command lines received, each "clear <line>" or "tls <line>".
    std::vector<std::string> Transcript() const {
        std::vector<std::string> lines;
        std::ifstream file(folder_ / "transcript.txt");
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }
    // The stored messages (bytes after DATA) in the order they arrived.
    std::vector<std::string> Messages() const { return Messages(folder_); }
    static std::vector<std::string> Messages(const std::filesystem::path& folder) {
        std::vector<std::string> all;
        for (int n = 1;; ++n) {
            std::ifstream file(folder / (std::to_string(n) + ".eml"), std::ios::binary);
            if (!file) break;
            std::ostringstream bytes;
            bytes << file.rdbuf();
            all.push_back(bytes.str());
        }
        return all;
    }

  private:
    static TProcessoDiProva::TAvvio Start(const std::filesystem::path& folder,
                                          const std::vector<std::string>& arguments) {
        TProcessoDiProva::TAvvio start{
            {"/usr/bin/python3", BRIVANO_SINK_SCRIPT, folder.string()}, folder / "sink.log", true};
        start.Argomenti.insert(start.Argomenti.end(), arguments.begin(), arguments.end());
        return start;
    }

    std::filesystem::path folder_;
    TProcessoDiProva peer_;
    int port_ = 0;
};
