#pragma once
// Starts SinkAiosmtpd.py (Debian's aiosmtpd) with /usr/bin/python3 on a free
// loopback port and stops it again: closing its standard input ends it, and
// a sink that does not end within the limit is killed by its process id.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

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
        int in[2];
        if (::pipe(in) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, 1);
            ::close(in[1]);
            const std::string port = std::to_string(port_);
            ::execl("/usr/bin/python3", "python3", BRIVANO_SINK_SCRIPT, port.c_str(),
                    folder.c_str(), refuse.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        stdin_ = in[1];
        ready_ = WaitListening();
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
    // Ready once the port takes a connection; false when the sink ended or
    // the limit passed.
    bool WaitListening() const {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < limit) {
            if (::waitpid(pid_, nullptr, WNOHANG) != 0) return false;
            int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(static_cast<uint16_t>(port_));
            const bool up =
                ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            ::close(fd);
            if (up) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    int port_ = 0;
    pid_t pid_ = -1;
    int stdin_ = -1;
    bool ready_ = false;
};
