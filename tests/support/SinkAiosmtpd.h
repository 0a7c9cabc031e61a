#pragma once
// Starts SinkAiosmtpd.py (Debian's aiosmtpd, plain, STARTTLS or implicit TLS)
// with /usr/bin/python3; the sink binds port 0 itself and reports the port it
// got, so no other process can take the port in between. Closing its standard
// input ends it; a sink that does not end within the limit is killed by its
// process id.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef BRIVANO_SINK_SCRIPT
#error "BRIVANO_SINK_SCRIPT names SinkAiosmtpd.py"
#endif

class TSinkAiosmtpd {
  public:
    // folder: where the sink writes; arguments: MODE and the options of
    // SinkAiosmtpd.py (by default a plain sink accepting any login).
    explicit TSinkAiosmtpd(const std::filesystem::path& folder,
                           const std::vector<std::string>& arguments = {"plain"})
        : folder_(folder) {
        int in[2], out[2];
        if (::pipe(in) != 0) return;
        if (::pipe(out) != 0) {
            ::close(in[0]);
            ::close(in[1]);
            return;
        }
        std::vector<std::string> words{"python3", BRIVANO_SINK_SCRIPT, folder.string()};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        const std::string log = (folder / "sink.log").string();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            const int errors = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (errors >= 0) ::dup2(errors, 2);
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
    ~TSinkAiosmtpd() {
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
    // Reads "PORT <n>" within 15 s; 0 when the sink ended or said nothing.
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
