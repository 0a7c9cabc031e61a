#pragma once
// A private Dovecot (Debian's dovecot-imapd) on 127.0.0.1 for one test: a
// throwaway configuration, a passwd-file with one user and a maildir, all in
// the caller's folder; IMAPS and IMAP with STARTTLS on free ports found by
// binding, TLS with the test authority's certificate. Messages are seeded by
// writing maildir files directly. Ended by its process id.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ProcessoDiProva.h"
#include "TestCertificates.h"

class TDovecotDiProva {
  public:
    struct TOpzioni {
        bool SenzaMove = false;  // the server does not offer MOVE
    };
    static constexpr const char* Programma = "/usr/sbin/dovecot";
    static constexpr const char* Utente = "posta";
    static constexpr const char* Password = "segreta di prova";

    explicit TDovecotDiProva(const std::filesystem::path& cartella)
        : TDovecotDiProva(cartella, {}) {}
    TDovecotDiProva(const std::filesystem::path& cartella, const TOpzioni& opzioni)
        : cartella_(cartella), certificati_(CartellaCertificati(cartella)) {
        if (!std::filesystem::exists(Programma)) {
            motivo_ = "Dovecot manca (pacchetto dovecot-imapd)";
            return;
        }
        if (!certificati_.Ok()) {
            motivo_ = "certificati di prova non creati (openssl)";
            return;
        }
        if (!Prepara(opzioni)) return;
        dovecot_ = std::make_unique<TProcessoDiProva>(
            TProcessoDiProva::TAvvio{{Programma, "-F", "-c", (cartella_ / "dovecot.conf").string()},
                                     cartella_ / "avvio.log"});
        pronto_ = dovecot_->AttendiPorta(portaImaps_) && dovecot_->AttendiPorta(portaImap_);
        if (!pronto_)
            motivo_ = "Dovecot non è partito: vedi " + (cartella_ / "dovecot.log").string();
    }
    TDovecotDiProva(const TDovecotDiProva&) = delete;
    TDovecotDiProva& operator=(const TDovecotDiProva&) = delete;

    bool Pronto() const { return pronto_; }
    // Why it is not ready, for the skip message.
    const std::string& Motivo() const { return motivo_; }
    int PortaImaps() const { return portaImaps_; }
    int PortaImap() const { return portaImap_; }
    std::filesystem::path Autorita() const { return certificati_.Ca(); }
    std::filesystem::path Maildir() const { return cartella_ / "home" / Utente / "Maildir"; }
    // The owner the mail processes write the maildir as.
    uid_t UidPosta() const { return uid_; }
    gid_t GidPosta() const { return gid_; }

    // Writes one message into a folder of the maildir ("" for INBOX, else the
    // maildir++ name such as ".Brivano.Elaborati"), as delivered and unread.
    void Deposita(const std::string& byte, const std::string& sottocartella = "") {
        const std::filesystem::path nuovi = Maildir() / sottocartella / "new";
        std::filesystem::create_directories(Maildir() / sottocartella / "cur");
        std::filesystem::create_directories(Maildir() / sottocartella / "tmp");
        std::filesystem::create_directories(nuovi);
        const int numero = ++depositati_;
        const std::filesystem::path file = nuovi / (std::to_string(1700000000 + numero) + ".M" +
                                                    std::to_string(numero) + "P1.prova");
        std::ofstream(file, std::ios::binary) << byte;
        Assegna(Maildir() / sottocartella);
        Assegna(nuovi);
        Assegna(file);
    }
    // The messages of a folder, each with its maildir flags (":2,S" read).
    std::vector<std::string> FileDi(const std::string& sottocartella = "") const {
        std::vector<std::string> nomi;
        for (const char* parte : {"new", "cur"}) {
            const auto cartella = Maildir() / sottocartella / parte;
            if (!std::filesystem::exists(cartella)) continue;
            for (const auto& voce : std::filesystem::directory_iterator(cartella))
                nomi.push_back(voce.path().filename().string());
        }
        return nomi;
    }
    // Sets the mailbox's UIDVALIDITY, as a server does after rebuilding it.
    bool CambiaUidValidity(unsigned valore) const {
        const std::string comando = "doveadm -c '" + (cartella_ / "dovecot.conf").string() +
                                    "' mailbox update -u " + Utente + " --uid-validity " +
                                    std::to_string(valore) + " INBOX >/dev/null 2>&1";
        return std::system(comando.c_str()) == 0;
    }

  private:
    static std::filesystem::path CartellaCertificati(const std::filesystem::path& cartella) {
        std::filesystem::create_directories(cartella / "cert");
        return cartella / "cert";
    }
    void Assegna(const std::filesystem::path& percorso) const {
        if (::geteuid() == 0 && uid_ != 0) [[maybe_unused]]
            const int esito = ::chown(percorso.c_str(), uid_, gid_);
    }
    bool Prepara(const TOpzioni& opzioni) {
        // As root the mail belongs to the dovecot user (Dovecot refuses
        // mail access as root); otherwise everything runs as the caller.
        std::string utenteInterno;
        if (::geteuid() == 0) {
            const passwd* voce = ::getpwnam("dovecot");
            if (voce == nullptr) {
                motivo_ = "manca l'utente dovecot";
                return false;
            }
            uid_ = voce->pw_uid;
            gid_ = voce->pw_gid;
            utenteInterno = "dovecot";
            // The mail processes must reach the folder.
            for (auto p = cartella_; !p.empty() && p != p.root_path(); p = p.parent_path())
                if (p.string().rfind("/tmp/", 0) == 0)
                    std::filesystem::permissions(p, std::filesystem::perms::others_exec,
                                                 std::filesystem::perm_options::add);
        } else {
            uid_ = ::getuid();
            gid_ = ::getgid();
            const passwd* voce = ::getpwuid(uid_);
            utenteInterno = voce != nullptr ? voce->pw_name : "";
        }
        portaImaps_ = TProcessoDiProva::PortaLibera();
        portaImap_ = TProcessoDiProva::PortaLibera();
        const std::string c = cartella_.string();
        std::filesystem::create_directories(cartella_ / "run");
        std::filesystem::create_directories(cartella_ / "state");
        std::filesystem::create_directories(Maildir() / "cur");
        std::filesystem::create_directories(Maildir() / "new");
        std::filesystem::create_directories(Maildir() / "tmp");
        for (const auto& p : {cartella_ / "home", cartella_ / "home" / Utente, Maildir(),
                              Maildir() / "cur", Maildir() / "new", Maildir() / "tmp"})
            Assegna(p);
        std::ofstream(cartella_ / "passwd") << Utente << ":{PLAIN}" << Password << "::::\n";
        std::ofstream conf(cartella_ / "dovecot.conf");
        conf << "base_dir = " << c << "/run\n"
             << "state_dir = " << c << "/state\n"
             << "log_path = " << c << "/dovecot.log\n"
             << "protocols = imap\nlisten = 127.0.0.1\n"
             << "ssl = required\n"
             << "ssl_cert = <" << certificati_.Cert(TTestCertificates::Good).string() << "\n"
             << "ssl_key = <" << certificati_.Key(TTestCertificates::Good).string() << "\n"
             << "disable_plaintext_auth = yes\nauth_mechanisms = plain login\n"
             << "first_valid_uid = " << (uid_ == 0 ? 1 : uid_) << "\n"
             << "default_internal_user = " << utenteInterno << "\n"
             << "default_login_user = " << utenteInterno << "\n"
             << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " << c
             << "/passwd\n}\n"
             << "userdb {\n  driver = static\n  args = uid=" << uid_ << " gid=" << gid_
             << " home=" << c << "/home/%u\n}\n"
             << "mail_location = maildir:~/Maildir\n"
             << "service imap-login {\n  chroot =\n"
             << "  inet_listener imap {\n    address = 127.0.0.1\n    port = " << portaImap_
             << "\n  }\n"
             << "  inet_listener imaps {\n    address = 127.0.0.1\n    port = " << portaImaps_
             << "\n    ssl = yes\n  }\n}\n"
             << "service anvil {\n  chroot =\n}\n";
        if (opzioni.SenzaMove)
            conf << "imap_capability = IMAP4rev1 LITERAL+ SASL-IR ENABLE IDLE UIDPLUS NAMESPACE\n";
        return portaImaps_ > 0 && portaImap_ > 0;
    }

    std::filesystem::path cartella_;
    TTestCertificates certificati_;
    std::string motivo_;
    std::unique_ptr<TProcessoDiProva> dovecot_;
    bool pronto_ = false;
    int portaImaps_ = 0;
    int portaImap_ = 0;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    int depositati_ = 0;
};
