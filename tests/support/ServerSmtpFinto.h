#pragma once
// A well-behaved SMTP dialogue for a loopback peer, and a server that serves
// any number of connections with it, counting the messages each recipient got.

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>

#include "LoopbackServer.h"

namespace invioprova {

// Greeting, then EHLO, RSET, MAIL, RCPT, DATA (text up to ".") and QUIT, each
// answered as a willing server would; `consegnato` is told each accepted
// message's recipients (and, when it takes two texts, its "Subject" line)
// before its 250 leaves.
template <typename Consegnato>
void ServiDialogo(smtptest::TPeer& peer, Consegnato&& consegnato, int pausaMs = 0) {
    auto invia = [&](const std::string& testo) {
        if (pausaMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pausaMs));
        return peer.Send(testo);
    };
    if (!invia("220 test.local ESMTP\r\n")) return;
    std::string destinatari;
    for (int comandi = 0; comandi < 50; ++comandi) {
        const std::string riga = peer.ReadLine();
        if (riga.empty()) return;
        if (riga.rfind("EHLO", 0) == 0) {
            invia("250 test.local\r\n");
        } else if (riga.rfind("RCPT TO:", 0) == 0) {
            destinatari += riga.substr(9, riga.size() - 12);
            invia("250 OK\r\n");
        } else if (riga.rfind("DATA", 0) == 0) {
            invia("354 go ahead\r\n");
            std::string oggetto;
            while (true) {
                const std::string testo = peer.ReadLine();
                if (testo.empty()) return;
                if (testo == ".\r\n") break;
                if (oggetto.empty() && testo.rfind("Subject: ", 0) == 0)
                    oggetto = testo.substr(9, testo.size() - 11);
            }
            if constexpr (std::is_invocable_v<Consegnato, std::string, std::string>)
                consegnato(destinatari, oggetto);
            else
                consegnato(destinatari);
            destinatari.clear();
            invia("250 OK queued\r\n");
        } else if (riga.rfind("QUIT", 0) == 0) {
            invia("221 bye\r\n");
            return;
        } else {
            invia("250 OK\r\n");
        }
    }
}

// Serves connections one after the other until it goes.
class TServerContatore {
  public:
    explicit TServerContatore(int pausaMs = 0)
        : listener_(smtptest::BindLoopback(port_, true)), pausaMs_(pausaMs) {
        thread_ = std::thread([this] {
            while (!fine_) {
                pollfd entry{listener_, POLLIN, 0};
                if (::poll(&entry, 1, 50) != 1) continue;
                const int fd = ::accept(listener_, nullptr, nullptr);
                if (fd < 0) continue;
                smtptest::TPeer peer(fd);
                ServiDialogo(
                    peer,
                    [this](const std::string& a, const std::string& oggetto) {
                        std::lock_guard<std::mutex> lock(mutex_);
                        ++consegne_[a];
                        oggetti_[a] = oggetto;
                    },
                    pausaMs_);
            }
        });
    }
    ~TServerContatore() {
        fine_ = true;
        thread_.join();
        ::close(listener_);
    }
    TServerContatore(const TServerContatore&) = delete;
    TServerContatore& operator=(const TServerContatore&) = delete;

    int Port() const { return port_; }
    std::map<std::string, int> Consegne() {
        std::lock_guard<std::mutex> lock(mutex_);
        return consegne_;
    }
    // The "Subject" line of the last message each recipient got.
    std::map<std::string, std::string> Oggetti() {
        std::lock_guard<std::mutex> lock(mutex_);
        return oggetti_;
    }

  private:
    int port_ = 0;
    int listener_;
    int pausaMs_;
    std::atomic<bool> fine_{false};
    std::mutex mutex_;
    std::map<std::string, int> consegne_;
    std::map<std::string, std::string> oggetti_;
    std::thread thread_;
};

}  // namespace invioprova
