#pragma once
// A throwaway certificate authority and server certificates, made with the
// openssl command line in a folder of the caller's (P-256 keys: quick).
//
//   Ca()                 the authority the tests trust (SSL_CERT_FILE)
//   Server(kind) .pem/.key, every one for the server on 127.0.0.1:
//     Good       issued by Ca() for localhost and 127.0.0.1
//     OtherName  issued by Ca() for mail.example.org only
//     Expired    issued by Ca() for localhost and 127.0.0.1, valid in 2020
//     SelfSigned for localhost and 127.0.0.1, signed by itself

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "TempDir.h"

class TTestCertificates {
  public:
    enum TKind { Good, OtherName, Expired, SelfSigned };

    explicit TTestCertificates(const std::filesystem::path& folder) : folder_(folder) {
        ok_ = MakeAuthority() && MakeIssued("good", "DNS:localhost,IP:127.0.0.1", "") &&
              MakeIssued("othername", "DNS:mail.example.org", "") &&
              MakeIssued("expired", "DNS:localhost,IP:127.0.0.1",
                         "-startdate 20200101000000Z -enddate 20200201000000Z") &&
              MakeSelfSigned();
    }

    bool Ok() const { return ok_; }
    std::filesystem::path Ca() const { return folder_ / "ca.pem"; }
    std::filesystem::path Cert(TKind kind) const { return folder_ / (Name(kind) + ".pem"); }
    std::filesystem::path Key(TKind kind) const { return folder_ / (Name(kind) + ".key"); }

  private:
    static std::string Name(TKind kind) {
        switch (kind) {
            case Good:
                return "good";
            case OtherName:
                return "othername";
            case Expired:
                return "expired";
            case SelfSigned:
                break;
        }
        return "selfsigned";
    }
    std::string In(const std::string& file) const {
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict)
        // on a literal added in front of a temporary string.
        std::string quoted = "'";
        quoted += (folder_ / file).string();
        quoted += '\'';
        return quoted;
    }
    static bool Run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }
    static std::string NewKey() {
        return "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
    }

    bool MakeAuthority() const {
        std::ofstream(folder_ / "index.txt");
        std::ofstream(folder_ / "serial") << "1000\n";
        std::ofstream(folder_ / "ca.cnf")
            << "[ca]\ndefault_ca = own\n[own]\ndatabase = " << (folder_ / "index.txt").string()
            << "\nnew_certs_dir = " << folder_.string()
            << "\nserial = " << (folder_ / "serial").string()
            << "\ndefault_md = sha256\npolicy = any\ncopy_extensions = copy\n"
               "unique_subject = no\n[any]\ncommonName = supplied\n";
        return Run(NewKey() + "-x509 -days 30 -keyout " + In("ca.key") + " -out " + In("ca.pem") +
                   " -subj '/CN=Brivano Test CA' -addext basicConstraints=critical,CA:TRUE"
                   " -addext keyUsage=critical,keyCertSign,cRLSign");
    }
    bool MakeIssued(const std::string& name, const std::string& names,
                    const std::string& dates) const {
        if (!Run(NewKey() + "-keyout " + In(name + ".key") + " -out " + In(name + ".csr") +
                 " -subj '/CN=" + name + "' -addext subjectAltName=" + names))
            return false;
        const std::string validity = dates.empty() ? "-days 30" : dates;
        return Run("openssl ca -batch -notext -config " + In("ca.cnf") + " -cert " + In("ca.pem") +
                   " -keyfile " + In("ca.key") + " -in " + In(name + ".csr") + " -out " +
                   In(name + ".pem") + " " + validity);
    }
    bool MakeSelfSigned() const {
        return Run(NewKey() + "-x509 -days 30 -keyout " + In("selfsigned.key") + " -out " +
                   In("selfsigned.pem") +
                   " -subj '/CN=localhost' -addext subjectAltName=DNS:localhost,IP:127.0.0.1");
    }

    std::filesystem::path folder_;
    bool ok_ = false;
};

// For the life of the object the TLS code trusts `autorita` alone:
// SSL_CERT_FILE names it and SSL_CERT_DIR an empty folder beside it.
class TSoloAutorita {
  public:
    explicit TSoloAutorita(const std::filesystem::path& autorita)
        : file_("SSL_CERT_FILE", autorita.string()),
          cartella_("SSL_CERT_DIR", CartellaVuota(autorita).string()) {}

  private:
    static std::filesystem::path CartellaVuota(const std::filesystem::path& autorita) {
        const auto cartella = autorita.parent_path() / "nessuna-autorita";
        std::filesystem::create_directories(cartella);
        return cartella;
    }

    TVariabileDiProva file_;
    TVariabileDiProva cartella_;
};
