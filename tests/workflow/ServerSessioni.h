#pragma once
// A loopback SMTP server for sessions that carry several messages: it serves
// every connection on a thread of its own, offers PIPELINING when asked (and
// then answers a batch only once all of it arrived, so a client that waits
// for each reply would stall), refuses what a rule says, and counts what each
// recipient got.

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackServer.h"

namespace invioprova {

struct TRegoleServer {
    bool Pipelining = false;
    // Milliseconds before each batch of replies.
    int PausaMs = 0;
    // A reply that replaces the willing one for this command line ("" keeps
    // it); a reply starting "421" closes the connection after it. Called
    // with the server's lock held.
    std::function<std::string(const std::string& comando)> Rifiuto;
    // Told, before its 250 leaves, each message's recipient and the number
    // of its connection (from 1; the lock held).
    std::function<void(int connessione, const std::string& destinatario)> PrimaDel250;
    // Closes the connection after this many accepted messages (0: never).
    int ChiudiDopo = 0;
};

class TServerSessioni {
  public:
    explicit TServerSessioni(TRegoleServer regole)
        : regole_(std::move(regole)), listener_(smtptest::BindLoopback(port_, true, 16)) {
        accetta_ = std::thread([this] {
            // Bounded: a test opens far fewer connections.
            while (!fine_ && connessioni_ < 500) {
                pollfd entry{listener_, POLLIN, 0};
                if (::poll(&entry, 1, 50) != 1) continue;
                const int fd = ::accept(listener_, nullptr, nullptr);
                if (fd < 0) continue;
                const int numero = ++connessioni_;
                std::lock_guard<std::mutex> lock(mutex_);
                sessioni_.emplace_back([this, fd, numero] {
                    const int ora = ++aperte_;
                    for (int m = massimo_; ora > m && !massimo_.compare_exchange_weak(m, ora);) {
                    }
                    {
                        smtptest::TPeer peer(fd);
                        Servi(peer, numero);
                    }
                    --aperte_;
                });
            }
        });
    }
    ~TServerSessioni() {
        fine_ = true;
        accetta_.join();
        std::vector<std::thread> sessioni;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            sessioni.swap(sessioni_);
        }
        for (auto& t : sessioni) t.join();
        ::close(listener_);
    }
    TServerSessioni(const TServerSessioni&) = delete;
    TServerSessioni& operator=(const TServerSessioni&) = delete;

    int Port() const { return port_; }
    int Connessioni() const { return connessioni_; }
    // The most connections served at one time.
    int MassimoContemporanee() const { return massimo_; }
    // Messages accepted per recipient.
    std::map<std::string, int> Consegne() {
        std::lock_guard<std::mutex> lock(mutex_);
        return consegne_;
    }
    // Recipients of the accepted messages, in the order accepted.
    std::vector<std::string> Ordine() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ordine_;
    }
    // Command lines of every connection, in the order they came.
    std::vector<std::string> Comandi() {
        std::lock_guard<std::mutex> lock(mutex_);
        return comandi_;
    }

  private:
    void Servi(smtptest::TPeer& peer, int numero) {
        std::string inAttesa = "220 test.local ESMTP\r\n";
        auto svuota = [&] {
            if (regole_.PausaMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(regole_.PausaMs));
            const bool ok = peer.Send(inAttesa);
            inAttesa.clear();
            return ok;
        };
        if (!svuota()) return;
        std::string destinatario;
        bool valido = false;  // a recipient of this transaction was accepted
        int accettati = 0;
        for (int comandi = 0; comandi < 5000; ++comandi) {
            std::string riga = peer.ReadLine();
            if (riga.empty()) return;
            riga = riga.substr(0, riga.find_first_of("\r\n"));
            std::string risposta;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                comandi_.push_back(riga);
                if (regole_.Rifiuto) risposta = regole_.Rifiuto(riga);
            }
            const bool lotto = riga == "RSET" || riga.rfind("MAIL FROM:", 0) == 0 ||
                               riga.rfind("RCPT TO:", 0) == 0;
            if (riga.rfind("RCPT TO:<", 0) == 0) {
                destinatario = riga.substr(9, riga.size() - 10);
                valido = risposta.empty();
            }
            if (riga == "RSET") valido = false;
            if (!risposta.empty()) {
                inAttesa += risposta;
                if (risposta.rfind("421", 0) == 0) {
                    svuota();
                    return;
                }
                if (regole_.Pipelining && lotto) continue;
                if (!svuota()) return;
                continue;
            }
            if (riga.rfind("EHLO", 0) == 0) {
                inAttesa += regole_.Pipelining ? "250-test.local\r\n250 PIPELINING\r\n"
                                               : "250 test.local\r\n";
            } else if (riga == "DATA" && !valido) {
                inAttesa += "554 5.5.1 no valid recipients\r\n";
            } else if (riga == "DATA") {
                inAttesa += "354 go ahead\r\n";
                if (!svuota()) return;
                while (true) {
                    const std::string testo = peer.ReadLine();
                    if (testo.empty()) return;
                    if (testo == ".\r\n") break;
                }
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    if (regole_.PrimaDel250) regole_.PrimaDel250(numero, destinatario);
                    ++consegne_[destinatario];
                    ordine_.push_back(destinatario);
                }
                inAttesa += "250 OK queued\r\n";
                if (!svuota()) return;
                if (regole_.ChiudiDopo > 0 && ++accettati >= regole_.ChiudiDopo) return;
                continue;
            } else if (riga == "QUIT") {
                inAttesa += "221 bye\r\n";
                svuota();
                return;
            } else {
                inAttesa += "250 OK\r\n";
            }
            if (regole_.Pipelining && lotto) continue;
            if (!svuota()) return;
        }
    }

    TRegoleServer regole_;
    int port_ = 0;
    int listener_;
    std::atomic<bool> fine_{false};
    std::atomic<int> connessioni_{0};
    std::atomic<int> aperte_{0};
    std::atomic<int> massimo_{0};
    std::mutex mutex_;
    std::map<std::string, int> consegne_;
    std::vector<std::string> comandi_;
    std::vector<std::string> ordine_;
    std::vector<std::thread> sessioni_;
    std::thread accetta_;
};

}  // namespace invioprova
