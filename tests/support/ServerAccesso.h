#pragma once
// Starts ServerAccesso.py, the tests' loopback authorization server, with
// /usr/bin/python3; it binds port 0 and reports the port. Closing its
// standard input ends it; one that does not end within ten seconds is
// killed by its process id. Also writes the stand-in browser the program's
// browser hook (BRIVANO_BROWSER) runs.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef BRIVANO_ACCESSO_SCRIPT
#error "BRIVANO_ACCESSO_SCRIPT names ServerAccesso.py"
#endif

class TServerAccesso {
  public:
    TServerAccesso(const std::filesystem::path& folder, const std::vector<std::string>& options)
        : folder_(folder) {
        int in[2], out[2];
        if (::pipe(in) != 0) return;
        if (::pipe(out) != 0) {
            ::close(in[0]);
            ::close(in[1]);
            return;
        }
        std::vector<std::string> words{"python3", BRIVANO_ACCESSO_SCRIPT, folder.string()};
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[1]);
            ::close(out[0]);
            ::execv("/usr/bin/python3", argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        port_ = ReadPort(out[0]);
        ::close(out[0]);
    }
    ~TServerAccesso() {
        if (stdin_ >= 0) ::close(stdin_);
        if (pid_ <= 0) return;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > limit) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
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
    static int ReadPort(int fd) {
        std::string text;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (text.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  limit - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) return 0;
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, static_cast<int>(left)) <= 0) continue;
            char chunk[64];
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got <= 0) return 0;
            text.append(chunk, static_cast<std::size_t>(got));
        }
        if (text.rfind("PORT ", 0) != 0) return 0;
        return std::atoi(text.c_str() + 5);
    }

    std::filesystem::path folder_;
    pid_t pid_ = -1;
    int stdin_ = -1;
    int port_ = 0;
};
