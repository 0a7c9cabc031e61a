#include "workflow/Esportazione.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "workflow/Piegatura.h"
#include "workflow/RegistroVCard.h"

namespace brivano {

namespace {

// Bytes gathered before one write to the file.
constexpr std::size_t kBufferScrittura = std::size_t{1} << 16;

void CampoCsv(std::string& out, const std::string& valore, char separatore) {
    const bool apostrofo = SembraFormula(valore);
    bool virgolette = !valore.empty() && (valore.front() == ' ' || valore.back() == ' ');
    for (std::size_t i = 0; i < valore.size() && !virgolette; ++i) {
        const char c = valore[i];
        virgolette = c == '"' || c == '\r' || c == '\n' || c == separatore;
    }
    if (!virgolette) {
        if (apostrofo) out += '\'';
        out += valore;
        return;
    }
    out += '"';
    if (apostrofo) out += '\'';
    // Each quote doubled; the text between goes in whole.
    std::size_t piano = 0;
    for (std::size_t q = valore.find('"'); q != std::string::npos; q = valore.find('"', q + 1)) {
        out.append(valore, piano, q + 1 - piano);
        out += '"';
        piano = q + 1;
    }
    out.append(valore, piano, std::string::npos);
    out += '"';
}

constexpr TCampo kOrdineCsv[] = {TCampo::Ragione_Sociale, TCampo::Tipo, TCampo::Citta, TCampo::Cap,
                                 TCampo::EMail,           TCampo::Sito, TCampo::Note};

void IntestazioneCsv(std::string& out, char separatore, bool bom) {
    if (bom) out += "\xEF\xBB\xBF";
    for (TCampo campo : kOrdineCsv) {
        if (campo != kOrdineCsv[0]) out += separatore;
        out += NomeCampo(campo);
    }
    out += "\r\n";
}

void RigaCsv(std::string& out, const TContatto& c, char separatore) {
    for (TCampo campo : kOrdineCsv) {
        if (campo != kOrdineCsv[0]) out += separatore;
        CampoCsv(out, c[campo], separatore);
    }
    out += "\r\n";
}

// Whether every line break of a value is CR LF (and there is one).
bool SoloCrLf(const std::string& valore) {
    bool uno = false;
    for (std::size_t i = 0; i < valore.size(); ++i) {
        if (valore[i] == '\r') {
            if (i + 1 == valore.size() || valore[i + 1] != '\n') return false;
            uno = true;
            ++i;
        } else if (valore[i] == '\n') {
            return false;
        }
    }
    return uno;
}

bool ConAcapo(const std::string& valore) {
    return valore.find('\n') != std::string::npos || valore.find('\r') != std::string::npos;
}

// A property's name, with a parameter of ours when its values break lines
// only with CR LF: those go out as the standard \n, which every reader shows
// as a line break, and the parameter tells our import to give back CR LF.
// Written into `out`, which it replaces.
void Nome(std::string& out, const char* nome, std::initializer_list<const std::string*> valori,
          bool& crlf) {
    bool conAcapo = false;
    crlf = true;
    for (const std::string* v : valori) {
        if (!ConAcapo(*v)) continue;
        conAcapo = true;
        crlf = crlf && SoloCrLf(*v);
    }
    crlf = crlf && conAcapo;
    out.assign(nome).append(crlf ? ";X-A-CAPO=CRLF:" : ":");
}

// Appended to `out`; runs of plain characters go in whole.
void AggiungiEscape(std::string& out, const std::string& valore, bool virgola, bool crlf) {
    std::size_t piano = 0;
    for (std::size_t i = 0; i < valore.size(); ++i) {
        const char c = valore[i];
        if (c != '\\' && c != ';' && c != ',' && c != '\r' && c != '\n') continue;
        if (c == ',' && !virgola) continue;
        out.append(valore, piano, i - piano);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == ';') {
            out += "\\;";
        } else if (c == ',' && virgola) {
            out += "\\,";
        } else if (c == '\r' && crlf && i + 1 < valore.size() && valore[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\r') {
            // Kept apart from a line feed, so a lone CR comes back as it was.
            out += "\\r";
        } else {
            out += "\\n";
        }
        piano = i + 1;
    }
    out.append(valore, piano, std::string::npos);
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

// `linea` is room for each content line before it is folded; `voce` the
// contact's register entry, if any.
void SchedaVCard(std::string& out, const TContatto& c, std::string& linea,
                 const TVoceRegistro* voce = nullptr) {
    out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
    bool crlf = false;
    auto testo = [&](const char* nome, const std::string& valore, bool virgola = true) {
        Nome(linea, nome, {&valore}, crlf);
        AggiungiEscape(linea, valore, virgola, crlf);
        AggiungiLinea(out, linea);
    };
    // FN is required; a contact without a company is named by its address.
    const std::string& nome =
        c[TCampo::Ragione_Sociale].empty() ? c[TCampo::EMail] : c[TCampo::Ragione_Sociale];
    testo("FN", nome);
    testo("ORG", c[TCampo::Ragione_Sociale]);
    if (!c[TCampo::Tipo].empty()) testo("CATEGORIES", c[TCampo::Tipo]);
    if (!c[TCampo::EMail].empty()) testo("EMAIL", c[TCampo::EMail]);
    if (!c[TCampo::Sito].empty()) testo("URL", c[TCampo::Sito], false);
    if (!c[TCampo::Citta].empty() || !c[TCampo::Cap].empty()) {
        Nome(linea, "ADR", {&c[TCampo::Citta], &c[TCampo::Cap]}, crlf);
        linea += ";;;";
        AggiungiEscape(linea, c[TCampo::Citta], true, crlf);
        linea += ";;";
        AggiungiEscape(linea, c[TCampo::Cap], true, crlf);
        linea += ';';
        AggiungiLinea(out, linea);
    }
    if (!c[TCampo::Note].empty()) testo("NOTE", c[TCampo::Note]);
    if (voce) AggiungiRegistroVCard(out, *voce, true);
    out += "END:VCARD\r\n";
}

bool EstensioneVCard(const std::filesystem::path& percorso) {
    const std::string estensione = Piega(percorso.extension().string());
    return estensione == ".vcf" || estensione == ".vcard";
}

}  // namespace

void AggiungiCampoCsv(std::string& out, const std::string& valore, char separatore) {
    CampoCsv(out, valore, separatore);
}

std::string ValoreVCard(const std::string& valore, bool virgola) {
    std::string out;
    AggiungiEscape(out, valore, virgola, false);
    return out;
}

void AggiungiLineaVCard(std::string& out, const std::string& linea) {
    AggiungiLinea(out, linea);
}

std::string TestoCsv(const std::vector<TContatto>& contatti, char separatore, bool bom) {
    std::string out;
    IntestazioneCsv(out, separatore, bom);
    for (const TContatto& c : contatti) RigaCsv(out, c, separatore);
    return out;
}

std::string TestoVCard(const std::vector<TContatto>& contatti) {
    std::string out, linea;
    for (const TContatto& c : contatti) SchedaVCard(out, c, linea);
    return out;
}

std::string TestoEsportazione(const std::filesystem::path& percorso,
                              const std::vector<TContatto>& contatti, char separatore) {
    return EstensioneVCard(percorso) ? TestoVCard(contatti) : TestoCsv(contatti, separatore);
}

TScritturaEsportazione::TScritturaEsportazione(const std::filesystem::path& percorso,
                                               char separatore)
    : percorso_(percorso), vcard_(EstensioneVCard(percorso)), separatore_(separatore) {
    temporaneo_ = percorso;
    temporaneo_ += ".scrittura-" + std::to_string(::getpid());
    fd_ = ::open(temporaneo_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throw std::runtime_error("Impossibile scrivere " + percorso.string() + ": " +
                                 std::strerror(errno));
    buffer_.reserve(kBufferScrittura * 2);
    if (!vcard_) IntestazioneCsv(buffer_, separatore_, true);
}

TScritturaEsportazione::~TScritturaEsportazione() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(temporaneo_.c_str());
}

void TScritturaEsportazione::Aggiungi(const TContatto& contatto, const TVoceRegistro* voce) {
    if (vcard_)
        SchedaVCard(buffer_, contatto, linea_, voce);
    else
        RigaCsv(buffer_, contatto, separatore_);
    ++scritti_;
    if (buffer_.size() >= kBufferScrittura) Svuota();
}

void TScritturaEsportazione::Svuota() {
    std::size_t fatti = 0;
    while (fatti < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + fatti, buffer_.size() - fatti);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fallisci(n < 0 ? errno : ENOSPC);
        fatti += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void TScritturaEsportazione::Fallisci(int errore) {
    ::close(fd_);
    fd_ = -1;
    ::unlink(temporaneo_.c_str());
    throw std::runtime_error("Impossibile scrivere " + percorso_.string() + ": " +
                             std::strerror(errore));
}

void TScritturaEsportazione::Chiudi() {
    Svuota();
    if (::fsync(fd_) != 0) Fallisci(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || std::rename(temporaneo_.c_str(), percorso_.c_str()) != 0) {
        const int errore = errno;
        ::unlink(temporaneo_.c_str());
        throw std::runtime_error("Impossibile scrivere " + percorso_.string() + ": " +
                                 std::strerror(errore));
    }
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
