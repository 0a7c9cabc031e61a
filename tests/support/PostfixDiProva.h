#pragma once
// A private Postfix (Debian's postfix) on 127.0.0.1 for one test: its own
// configuration and queue in the caller's folder, SMTP on a free port, one
// mailbox domain whose only known user is the sender. Mail for any other user
// of that domain is taken in, then returned to the sender as a real
// delivery-status report, written into the maildir the caller names. Its
// master process needs root (it refuses to start otherwise); it runs in a
// session of its own, so ending the master ends its daemons and not the test.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ProcessoDiProva.h"

class TPostfixDiProva {
  public:
    static constexpr const char* Master = "/usr/lib/postfix/sbin/master";
    static constexpr const char* Comando = "/usr/sbin/postfix";
    static constexpr const char* Dominio = "ditta.it";

    // `mittente` is the local part of the one known user, whose mail goes to
    // `maildir` (written as `uid`:`gid`).
    TPostfixDiProva(const std::filesystem::path& cartella, const std::string& mittente,
                    const std::filesystem::path& maildir, uid_t uid, gid_t gid)
        : cartella_(cartella) {
        if (!std::filesystem::exists(Master)) {
            motivo_ = "Postfix manca (pacchetto postfix)";
            return;
        }
        if (::geteuid() != 0) {
            motivo_ = "il master di Postfix parte solo come root";
            return;
        }
        porta_ = TProcessoDiProva::PortaLibera();
        if (porta_ <= 0 || !Prepara(mittente, maildir, uid, gid)) {
            motivo_ = "configurazione di Postfix non preparata";
            return;
        }
        // Creates the queue's folders with their owners and checks the rest.
        const std::string controllo = "timeout 120 " + std::string(Comando) + " -c '" +
                                      Conf().string() + "' check >'" +
                                      (cartella_ / "check.log").string() + "' 2>&1";
        if (std::system(controllo.c_str()) != 0) {
            motivo_ = "postfix check non riuscito: vedi " + (cartella_ / "check.log").string();
            return;
        }
        master_ = std::make_unique<TProcessoDiProva>(TProcessoDiProva::TAvvio{
            {Master, "-c", Conf().string(), "-d"}, cartella_ / "master.log", false, true});
        pronto_ = master_->AttendiPorta(porta_);
        if (!pronto_) motivo_ = "Postfix non è partito: vedi " + Registro().string();
    }
    TPostfixDiProva(const TPostfixDiProva&) = delete;
    TPostfixDiProva& operator=(const TPostfixDiProva&) = delete;

    bool Pronto() const { return pronto_; }
    const std::string& Motivo() const { return motivo_; }
    int Porta() const { return porta_; }
    std::filesystem::path Registro() const { return cartella_ / "postfix.log"; }

  private:
    std::filesystem::path Conf() const { return cartella_ / "etc"; }

    bool Prepara(const std::string& mittente, const std::filesystem::path& maildir, uid_t uid,
                 gid_t gid) {
        const std::string c = cartella_.string();
        std::filesystem::create_directories(Conf());
        std::filesystem::create_directories(cartella_ / "spool");
        std::filesystem::create_directories(cartella_ / "data");
        // The daemons, running as the postfix user, reach the folder.
        for (auto p = cartella_; !p.empty() && p != p.root_path(); p = p.parent_path())
            std::filesystem::permissions(p, std::filesystem::perms::others_exec,
                                         std::filesystem::perm_options::add);
        if (const passwd* voce = ::getpwnam("postfix"); voce != nullptr) [[maybe_unused]]
            const int esito = ::chown((cartella_ / "data").c_str(), voce->pw_uid, 0);
        // The mailbox path is relative to its base: the maildir's parent.
        std::ofstream(Conf() / "caselle")
            << mittente << "@" << Dominio << " " << maildir.filename().string() << "/\n";
        std::ofstream main(Conf() / "main.cf");
        main << "compatibility_level = 3.6\n"
             << "queue_directory = " << c << "/spool\n"
             << "data_directory = " << c << "/data\n"
             << "mail_owner = postfix\nsetgid_group = postdrop\n"
             << "maillog_file_prefixes = " << c << "\n"
             << "maillog_file = " << c << "/postfix.log\n"
             << "inet_interfaces = 127.0.0.1\ninet_protocols = ipv4\n"
             << "myhostname = posta." << Dominio << "\nmydomain = " << Dominio << "\n"
             << "myorigin = " << Dominio << "\nmydestination =\nrelayhost =\n"
             << "mynetworks = 127.0.0.0/8\n"
             // Take mail for unknown users in, so the refusal comes back as a report.
             << "smtpd_reject_unlisted_recipient = no\n"
             << "virtual_mailbox_domains = " << Dominio << "\n"
             << "virtual_mailbox_base = " << maildir.parent_path().string() << "\n"
             << "virtual_mailbox_maps = texthash:" << (Conf() / "caselle").string() << "\n"
             << "virtual_uid_maps = static:" << uid << "\nvirtual_gid_maps = static:" << gid
             << "\nvirtual_minimum_uid = 1\n"
             << "smtp_dns_support_level = disabled\n";
        std::ofstream master(Conf() / "master.cf");
        master << "127.0.0.1:" << porta_ << " inet n - n - - smtpd\n";
        for (const char* servizio :
             {"pickup unix n - n 60 1 pickup", "cleanup unix n - n - 0 cleanup",
              "qmgr unix n - n 300 1 qmgr", "rewrite unix - - n - - trivial-rewrite",
              "bounce unix - - n - 0 bounce", "defer unix - - n - 0 bounce",
              "trace unix - - n - 0 bounce", "verify unix - - n - 1 verify",
              "flush unix n - n 1000 0 flush", "proxymap unix - - n - - proxymap",
              "error unix - - n - - error", "retry unix - - n - - error",
              "discard unix - - n - - discard", "virtual unix - n n - - virtual",
              "anvil unix - - n - 1 anvil", "scache unix - - n - 1 scache",
              "postlog unix-dgram n - n - 1 postlogd"})
            master << servizio << "\n";
        return static_cast<bool>(main) && static_cast<bool>(master);
    }

    std::filesystem::path cartella_;
    std::string motivo_;
    std::unique_ptr<TProcessoDiProva> master_;
    bool pronto_ = false;
    int porta_ = 0;
};
