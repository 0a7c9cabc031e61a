#pragma once
// A scripted SMTP server on the loopback port of a TLoopbackServer: it sends
// the greeting, then answers each command line with the next scripted reply.
// After a reply beginning with "354" it takes the data up to the line "." as
// one transcript entry. Replies are whole lines including CR LF, so a
// multi-line reply is one script entry.

#include <mutex>
#include <string>
#include <vector>

#include "LoopbackServer.h"

namespace smtptest {

// Replies most scripts use.
inline const std::string Greeting = "220 test.local ESMTP\r\n";
inline const std::string Ok = "250 OK\r\n";
inline const std::string Go = "354 go ahead\r\n";
inline const std::string Bye = "221 bye\r\n";

class TScriptedSmtp {
  public:
    TScriptedSmtp(std::string greeting, std::vector<std::string> replies, int connections = 1)
        : greeting_(std::move(greeting)),
          replies_(std::move(replies)),
          server_([this](TPeer& peer) { Run(peer); }, connections) {}

    int Port() const { return server_.Port(); }

    // Command lines without CR LF, and the data blocks, in the order received.
    std::vector<std::string> Transcript() {
        std::lock_guard<std::mutex> lock(mutex_);
        return transcript_;
    }

  private:
    void Record(std::string entry) {
        std::lock_guard<std::mutex> lock(mutex_);
        transcript_.push_back(std::move(entry));
    }
    static std::string Chomp(std::string line) {
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    void Run(TPeer& peer) {
        peer.Send(greeting_);
        while (next_ < replies_.size()) {
            std::string line = peer.ReadLine();
            if (line.empty()) return;
            Record(Chomp(line));
            const std::string& reply = replies_[next_++];
            peer.Send(reply);
            if (reply.rfind("354", 0) == 0) {
                std::string data;
                while (true) {
                    line = peer.ReadLine();
                    if (line.empty()) return;
                    if (line == ".\r\n") break;
                    data += line;
                }
                Record(data);
                Record(".");
                if (next_ < replies_.size()) peer.Send(replies_[next_++]);
            }
        }
        // Whatever comes after the script, until the client closes.
        std::string rest = peer.ReadAll();
        if (!rest.empty()) Record("<after script>" + rest);
    }

    std::string greeting_;
    std::vector<std::string> replies_;
    std::size_t next_ = 0;
    std::mutex mutex_;
    std::vector<std::string> transcript_;
    TLoopbackServer server_;  // last: its thread uses the members above
};

}  // namespace smtptest
