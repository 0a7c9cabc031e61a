// After a send run that logged in, no copy of the password is left anywhere in
// the process's writable memory, and while the run held it the process could
// not be dumped.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/random.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "InvioDiProva.h"
#include "LoopbackServer.h"
#include "text/Segreto.h"

using invioprova::TRun;
using smtptest::TPeer;

namespace {

// A random password the test keeps only masked, so its own copy is never what
// the scan finds; long enough to live in the heap, where freed copies linger.
class TPasswordMascherata {
  public:
    static constexpr unsigned char Maschera = 0xA5;
    static constexpr std::size_t Lunghezza = 40;
    // Runs of this many bytes of the password count as a copy: the allocator
    // writes over the start of a freed block, not over all of it.
    static constexpr std::size_t Finestra = 8;

    TPasswordMascherata() {
        std::array<unsigned char, Lunghezza> caso{};
        EXPECT_EQ(getrandom(caso.data(), caso.size(), 0), static_cast<ssize_t>(caso.size()));
        for (std::size_t k = 0; k < Lunghezza; ++k) {
            const unsigned char c = caso[k] % 52;
            mascherata_[k] =
                static_cast<unsigned char>((c < 26 ? 'a' + c : 'A' + c - 26) ^ Maschera);
            iniziali_[mascherata_[k] ^ Maschera] = true;
        }
    }

    // One allocation of the final size: growing would leave freed copies.
    std::string Chiara() const {
        std::string testo(Lunghezza, '\0');
        for (std::size_t k = 0; k < Lunghezza; ++k)
            testo[k] = static_cast<char>(mascherata_[k] ^ Maschera);
        return testo;
    }

    // Whether `Finestra` bytes of the password start at p.
    bool CopiaA(const unsigned char* p) const {
        if (!iniziali_[*p]) return false;
        for (std::size_t inizio = 0; inizio + Finestra <= Lunghezza; ++inizio) {
            std::size_t k = 0;
            while (k < Finestra && (p[k] ^ Maschera) == mascherata_[inizio + k]) ++k;
            if (k == Finestra) return true;
        }
        return false;
    }

  private:
    std::array<unsigned char, Lunghezza> mascherata_{};
    std::array<bool, 256> iniziali_{};
};

// Copies found in the writable mappings of this process, read through
// /proc/self/mem so that unreadable pages are skipped rather than faulted.
std::size_t CopieInMemoria(const TPasswordMascherata& password) {
    std::ifstream mappe("/proc/self/maps");
    std::vector<std::pair<unsigned long, unsigned long>> zone;
    for (std::string riga; std::getline(mappe, riga);) {
        unsigned long da = 0, a = 0;
        char permessi[5] = {};
        if (std::sscanf(riga.c_str(), "%lx-%lx %4s", &da, &a, permessi) != 3) continue;
        if (permessi[0] == 'r' && permessi[1] == 'w') zone.emplace_back(da, a);
    }
    const int mem = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    EXPECT_GE(mem, 0);
    constexpr std::size_t Pezzo = std::size_t{1} << 20;
    auto buffer = std::make_unique<unsigned char[]>(Pezzo);
    std::size_t copie = 0;
    for (const auto& [da, a] : zone) {
        for (unsigned long pos = da; pos < a;) {
            const std::size_t voglio = std::min<unsigned long>(Pezzo, a - pos);
            const ssize_t letti = ::pread(mem, buffer.get(), voglio, static_cast<off_t>(pos));
            if (letti <= 0) break;
            const auto n = static_cast<std::size_t>(letti);
            for (std::size_t i = 0; i + TPasswordMascherata::Finestra <= n; ++i)
                if (password.CopiaA(buffer.get() + i)) ++copie;
            // Overlap so a copy across two pieces is still seen.
            pos += n > TPasswordMascherata::Finestra ? n - TPasswordMascherata::Finestra + 1 : n;
        }
    }
    ::close(mem);
    return copie;
}

// Offers AUTH LOGIN on the first connection and AUTH PLAIN on the second, and
// takes every message.
void ServiConAccesso(TPeer& peer, const char* meccanismo) {
    peer.Send("220 test.local ESMTP\r\n");
    for (int comandi = 0; comandi < 40; ++comandi) {
        const std::string riga = peer.ReadLine();
        if (riga.empty()) return;
        if (riga.rfind("EHLO", 0) == 0) {
            peer.Send(std::string("250-test.local\r\n250 AUTH ") + meccanismo + "\r\n");
        } else if (riga == "AUTH LOGIN\r\n") {
            peer.Send("334 VXNlcm5hbWU6\r\n");
            peer.ReadLine();
            peer.Send("334 UGFzc3dvcmQ6\r\n");
            peer.ReadLine();
            peer.Send("235 OK\r\n");
        } else if (riga.rfind("AUTH PLAIN ", 0) == 0) {
            peer.Send("235 OK\r\n");
        } else if (riga == "DATA\r\n") {
            peer.Send("354 go ahead\r\n");
            for (int r = 0; r < 1000 && peer.ReadLine().rfind(".\r\n", 0) != 0; ++r) {
            }
            peer.Send("250 OK\r\n");
        } else if (riga == "QUIT\r\n") {
            peer.Send("221 bye\r\n");
            return;
        } else {
            peer.Send("250 OK\r\n");
        }
    }
}

TEST(SegretiInMemoria, NoCopyOfThePasswordOutlivesARunThatLoggedIn) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The sanitizers map terabytes of shadow memory and keep freed blocks
    // unwiped in quarantine: the scan would neither end nor mean anything.
    GTEST_SKIP() << "memoria del processo non confrontabile sotto i sanitizer";
#endif
    const TPasswordMascherata password;
    const bool esportabilePrima = brivano::ProcessoEsportabile();
    std::vector<std::string> meccanismi;
    {
        int n = 0;
        smtptest::TLoopbackServer server(
            [&n](TPeer& peer) { ServiConAccesso(peer, n++ == 0 ? "LOGIN" : "PLAIN"); }, 2);
        TRun run(server.Port());
        run.dati.Password = password.Chiara();
        bool esportabileDurante = true;
        brivano::TAvvisiInvio avvisi;
        avvisi.Inizio = [&](std::size_t, const std::string&) {
            esportabileDurante = esportabileDurante && brivano::ProcessoEsportabile();
        };
        brivano::PreparaInvio(run.smtp, run.message, run.dati, run.limiti);
        brivano::ImpostaConnessioni(run.opzioni, run.dati, run.limiti);
        const auto esito = brivano::EseguiInvio(
            run.smtp, run.message, {"anna@example.it", "bruno@example.it"}, avvisi, run.opzioni);
        EXPECT_EQ(esito.Inviati, 2u);
        EXPECT_FALSE(esportabileDurante);
    }
    EXPECT_EQ(brivano::ProcessoEsportabile(), esportabilePrima);
    EXPECT_EQ(CopieInMemoria(password), 0u);
}

TEST(SegretiInMemoria, TheProcessIsDumpableAgainOnlyOnceTheLastSecretGoes) {
    const bool prima = brivano::ProcessoEsportabile();
    ASSERT_TRUE(prima) << "the test needs a dumpable process to start from";
    auto uno = std::make_unique<brivano::TSegreto>("uno");
    brivano::TSegreto due = *uno;
    brivano::TSegreto spostato = std::move(due);
    EXPECT_TRUE(due.empty());
    EXPECT_EQ(spostato.Testo(), "uno");
    uno.reset();
    EXPECT_FALSE(brivano::ProcessoEsportabile());
    spostato = brivano::TSegreto();
    EXPECT_TRUE(brivano::ProcessoEsportabile());
    const brivano::TSegreto vuoto("");
    EXPECT_TRUE(brivano::ProcessoEsportabile()) << "an empty secret holds nothing";
}

}  // namespace
