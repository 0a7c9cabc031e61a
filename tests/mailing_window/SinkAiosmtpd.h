#pragma once
// Starts SinkAiosmtpd.py (Debian's aiosmtpd) with /usr/bin/python3 on a free
// loopback port and stops it again: closing its standard input ends it, and
// a sink that does not end within the limit is killed by its process id.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

class TSinkAiosmtpd {
  public:
    TSinkAiosmtpd(const std::filesystem::path& folder, const std::string& refuse = "") {
        port_ = FreePort();
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[1]);
            ::close(out[0]);
            const std::string port = std::to_string(port_);
            ::execl("/usr/bin/python3", "python3", BRIVANO_SINK_SCRIPT, port.c_str(),
                    folder.c_str(), refuse.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        ready_ = WaitReady(out[0]);
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

    bool Ready() const { return ready_; }
    int Port() const { return port_; }

    // The stored messages (bytes after DATA) in the order they arrived.
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
    static int FreePort() {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin_port);
    }
    static bool WaitReady(int fd) {
        std::string seen;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (seen.find("READY") == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                limit - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd entry{fd, POLLIN, 0};
            const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR) continue;
            if (ready != 1) return false;
            char chunk[256];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            seen.append(chunk, static_cast<std::size_t>(n));
        }
        return true;
    }

    int port_ = 0;
    pid_t pid_ = -1;
    int stdin_ = -1;
    bool ready_ = false;
};
