#include "workflow/Esportazione.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "workflow/Piegatura.h"

namespace brivano {

namespace {

std::string CampoCsv(const std::string& valore, char separatore) {
    const bool virgolette =
        valore.find_first_of(std::string("\"\r\n") + separatore) != std::string::npos ||
        (!valore.empty() && (valore.front() == ' ' || valore.back() == ' '));
    if (!virgolette) return valore;
    std::string out = "\"";
    for (char c : valore) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Escape(const std::string& valore, bool virgola) {
    std::string out;
    for (std::size_t i = 0; i < valore.size(); ++i) {
        const char c = valore[i];
        if (c == '\\') {
            out += "\\\\";
        } else if (c == ';') {
            out += "\\;";
        } else if (c == ',' && virgola) {
            out += "\\,";
        } else if (c == '\r') {
            out += "\\n";
            if (i + 1 < valore.size() && valore[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

// Folds a content line: at most 75 bytes per line, continuation lines start
// with a blank, and a UTF-8 sequence is never split.
void AggiungiLinea(std::string& out, const std::string& linea) {
    std::size_t inizio = 0;
    std::size_t limite = 75;
    while (linea.size() - inizio > limite) {
        std::size_t taglio = inizio + limite;
        while (taglio > inizio && (static_cast<unsigned char>(linea[taglio]) & 0xC0) == 0x80)
            --taglio;
        out.append(linea, inizio, taglio - inizio).append("\r\n ");
        inizio = taglio;
        limite = 74;  // the leading blank counts
    }
    out.append(linea, inizio, std::string::npos).append("\r\n");
}

}  // namespace

std::string TestoCsv(const std::vector<TContatto>& contatti, char separatore, bool bom) {
    std::string out = bom ? "\xEF\xBB\xBF" : "";
    auto riga = [&](auto valore) {
        bool primo = true;
        for (TCampo campo : {TCampo::Ragione_Sociale, TCampo::Tipo, TCampo::Citta, TCampo::Cap,
                             TCampo::EMail, TCampo::Sito, TCampo::Note}) {
            if (!primo) out += separatore;
            primo = false;
            out += CampoCsv(valore(campo), separatore);
        }
        out += "\r\n";
    };
    riga([](TCampo campo) { return std::string(NomeCampo(campo)); });
    for (const TContatto& c : contatti) riga([&](TCampo campo) { return c[campo]; });
    return out;
}

std::string TestoVCard(const std::vector<TContatto>& contatti) {
    std::string out;
    for (const TContatto& c : contatti) {
        AggiungiLinea(out, "BEGIN:VCARD");
        AggiungiLinea(out, "VERSION:4.0");
        // FN is required; a contact without a company is named by its address.
        const std::string& nome =
            c[TCampo::Ragione_Sociale].empty() ? c[TCampo::EMail] : c[TCampo::Ragione_Sociale];
        AggiungiLinea(out, "FN:" + Escape(nome, true));
        AggiungiLinea(out, "ORG:" + Escape(c[TCampo::Ragione_Sociale], true));
        if (!c[TCampo::Tipo].empty())
            AggiungiLinea(out, "CATEGORIES:" + Escape(c[TCampo::Tipo], true));
        if (!c[TCampo::EMail].empty())
            AggiungiLinea(out, "EMAIL:" + Escape(c[TCampo::EMail], true));
        if (!c[TCampo::Sito].empty()) AggiungiLinea(out, "URL:" + Escape(c[TCampo::Sito], false));
        if (!c[TCampo::Citta].empty() || !c[TCampo::Cap].empty())
            AggiungiLinea(out, "ADR:;;;" + Escape(c[TCampo::Citta], true) + ";;" +
                                   Escape(c[TCampo::Cap], true) + ";");
        if (!c[TCampo::Note].empty()) AggiungiLinea(out, "NOTE:" + Escape(c[TCampo::Note], true));
        AggiungiLinea(out, "END:VCARD");
    }
    return out;
}

std::string TestoEsportazione(const std::filesystem::path& percorso,
                              const std::vector<TContatto>& contatti, char separatore) {
    const std::string estensione = Piega(percorso.extension().string());
    if (estensione == ".vcf" || estensione == ".vcard") return TestoVCard(contatti);
    return TestoCsv(contatti, separatore);
}

void ScriviFile(const std::filesystem::path& percorso, const std::string& testo) {
    std::filesystem::path temporaneo = percorso;
    temporaneo += ".scrittura-" + std::to_string(::getpid());
    const int fd = ::open(temporaneo.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("Impossibile scrivere " + percorso.string() + ": " +
                                 std::strerror(errno));
    std::size_t scritti = 0;
    int errore = 0;
    while (scritti < testo.size()) {
        const ssize_t n = ::write(fd, testo.data() + scritti, testo.size() - scritti);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            errore = n < 0 ? errno : ENOSPC;
            break;
        }
        scritti += static_cast<std::size_t>(n);
    }
    if (!errore && ::fsync(fd) != 0) errore = errno;
    if (::close(fd) != 0 && !errore) errore = errno;
    if (!errore && std::rename(temporaneo.c_str(), percorso.c_str()) != 0) errore = errno;
    if (errore) {
        ::unlink(temporaneo.c_str());
        throw std::runtime_error("Impossibile scrivere " + percorso.string() + ": " +
                                 std::strerror(errore));
    }
}

}  // namespace brivano
