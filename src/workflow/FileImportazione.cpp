#include "workflow/FileImportazione.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "workflow/CodificaTesto.h"
#include "workflow/Esportazione.h"
#include "workflow/LetturaCsv.h"
#include "workflow/LetturaVCard.h"
#include "workflow/MappaturaCampi.h"
#include "workflow/PagineGrandi.h"
#include "workflow/Piegatura.h"

namespace brivano {

namespace {

// Read a block at a time: a file's size never becomes memory, and a block
// small beside the database's own cache keeps an import's peak low. A record
// longer than a block doubles the room, so a long one is not scanned again
// for every block.
constexpr std::size_t kBlocco = std::size_t{1} << 16;
// Rows named one by one when a file mixes encodings; more are only counted.
constexpr std::size_t kTrattiNominati = 10;

bool Vuoto(const std::vector<std::string>& campi) {
    for (const std::string& c : campi)
        if (!c.empty()) return false;
    return true;
}

std::string ElencoCampi() {
    std::string elenco;
    for (TCampo c : TuttiCampi) elenco += std::string(elenco.empty() ? "" : ", ") + NomeCampo(c);
    return elenco;
}

std::string TroppoGrande(const std::filesystem::path& percorso) {
    return "Il file " + percorso.string() + " supera il limite di " +
           kTestoMassimoFileImportazione + " per un'importazione";
}

// Opens only a regular file, without waiting on a pipe nobody writes to,
// and refuses one larger than the limit. The descriptor is blocking again.
int ApriFileNormale(const std::filesystem::path& percorso) {
    const int fd = ::open(percorso.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw std::runtime_error("Impossibile aprire il file " + percorso.string() + ": " +
                                 std::strerror(errno));
    struct stat st {};
    std::string motivo;
    if (::fstat(fd, &st) != 0)
        motivo = std::string("Impossibile leggere il file ") + percorso.string() + ": " +
                 std::strerror(errno);
    else if (S_ISDIR(st.st_mode))
        motivo = percorso.string() + " è una cartella, non un file da importare";
    else if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        motivo = percorso.string() + " è una pipe, non un file da importare";
    else if (!S_ISREG(st.st_mode))
        motivo = percorso.string() + " è un dispositivo, non un file da importare";
    else if (static_cast<std::uintmax_t>(st.st_size) > kMassimoFileImportazione)
        motivo = TroppoGrande(percorso);
    else if (const int flags = ::fcntl(fd, F_GETFL);
             flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0)
        motivo = "Impossibile leggere il file " + percorso.string() + ": " + std::strerror(errno);
    if (!motivo.empty()) {
        ::close(fd);
        throw std::runtime_error(motivo);
    }
    return fd;
}

std::size_t LeggiDa(int fd, char* dove, std::size_t quanto, const std::filesystem::path& p) {
    for (;;) {
        const ssize_t n = ::read(fd, dove, quanto);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR)
            throw std::runtime_error("Errore di lettura del file " + p.string() + ": " +
                                     std::strerror(errno));
    }
}

// UTF-16 without a byte order mark: a NUL in nearly every other byte.
const char* Utf16SenzaBom(std::string_view inizio) {
    const std::size_t coppie = std::min<std::size_t>(inizio.size(), 4096) / 2;
    if (coppie < 2) return nullptr;
    std::size_t pari = 0, dispari = 0;
    for (std::size_t k = 0; k < coppie; ++k) {
        pari += inizio[2 * k] == '\0';
        dispari += inizio[2 * k + 1] == '\0';
    }
    if (dispari * 10 >= coppie * 4 && pari * 10 < coppie) return "UTF-16LE";
    if (pari * 10 >= coppie * 4 && dispari * 10 < coppie) return "UTF-16BE";
    return nullptr;
}

bool SoloAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string Tratti(const std::vector<std::pair<int, int>>& tratti, std::size_t oltre) {
    std::string testo;
    for (const auto& [da, a] : tratti) {
        if (!testo.empty()) testo += ", ";
        testo += std::to_string(da);
        if (a > da) {
            testo += '-';
            testo += std::to_string(a);
        }
    }
    if (oltre > 0) testo += " e altre";
    return testo;
}

// Where the first CR or LF is, else npos. Searched a short stretch at a
// time, since lines are short but a file may end its lines with CR alone.
std::size_t FineLinea(std::string_view testo) {
    constexpr std::size_t kTratto = 256;
    for (std::size_t inizio = 0; inizio < testo.size(); inizio += kTratto) {
        const std::string_view tratto = testo.substr(inizio, kTratto);
        const std::size_t lf = tratto.find('\n');
        const std::size_t cr = tratto.substr(0, lf).find('\r');
        if (cr != std::string_view::npos) return inizio + cr;
        if (lf != std::string_view::npos) return inizio + lf;
    }
    return std::string_view::npos;
}

}  // namespace

TFormatoFile FormatoDelFile(const std::filesystem::path& percorso, std::string_view inizio) {
    const std::string estensione = Piega(percorso.extension().string());
    if (estensione == ".vcf" || estensione == ".vcard") return TFormatoFile::VCard;
    std::size_t i = inizio.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (i < inizio.size() && static_cast<unsigned char>(inizio[i]) <= 32) ++i;
    return Piega(inizio.substr(i, 11)) == "begin:vcard" ? TFormatoFile::VCard : TFormatoFile::Csv;
}

struct TLetturaImportazione::TStato {
    std::filesystem::path percorso;
    int fd = -1;
    std::string_view memoria;  // the source when there is no file
    std::uintmax_t letti = 0;

    std::string buf;
    std::size_t pos = 0;
    bool finito = false;

    enum class TModo { PerRiga, Utf8Dichiarato, Convertito } modo = TModo::PerRiga;
    std::string nomeModo = "UTF-8";
    // Rows (CSV) or card lines (vCard) beyond ASCII, by encoding, as ranges.
    std::vector<std::pair<int, int>> utf8, windows1252;
    std::size_t utf8Oltre = 0, windows1252Oltre = 0;

    std::optional<TLettoreCsv> csv;
    TRecordCsv record;
    std::array<bool, NumeroCampi> presenti{};
    TLettoreVCard vcard;
    TSchedaVCard scheda;  // its strings' room goes from card to card
    int linea = 0;
    bool chiuso = false;

    ~TStato() {
        if (fd >= 0) ::close(fd);
    }
};

TLetturaImportazione::TLetturaImportazione(const std::filesystem::path& percorso)
    : stato_(std::make_unique<TStato>()) {
    stato_->percorso = percorso;
    stato_->fd = ApriFileNormale(percorso);
    Inizia(TFormatoFile::Csv, &percorso);
}

TLetturaImportazione::TLetturaImportazione(std::string_view bytes, TFormatoFile formato)
    : stato_(std::make_unique<TStato>()) {
    stato_->memoria = bytes;
    Inizia(formato, nullptr);
}

TLetturaImportazione::~TLetturaImportazione() = default;

bool TLetturaImportazione::Riempi() {
    TStato& s = *stato_;
    if (s.finito) return false;
    if (s.pos > 0) {
        s.buf.erase(0, s.pos);
        s.pos = 0;
    }
    const std::size_t resto = s.buf.size();
    const std::size_t quanto = std::max(kBlocco, resto);
    s.buf.resize(resto + quanto);
    std::size_t n = 0;
    if (s.fd >= 0) {
        n = LeggiDa(s.fd, s.buf.data() + resto, quanto, s.percorso);
    } else {
        n = std::min(quanto, s.memoria.size());
        std::memcpy(s.buf.data() + resto, s.memoria.data(), n);
        s.memoria.remove_prefix(n);
    }
    s.buf.resize(resto + n);
    s.letti += n;
    // A file that grows while read is bounded all the same.
    if (s.letti > kMassimoFileImportazione) throw std::runtime_error(TroppoGrande(s.percorso));
    if (n == 0) s.finito = true;
    return n > 0;
}

void TLetturaImportazione::Inizia(TFormatoFile formato, const std::filesystem::path* percorso) {
    TStato& s = *stato_;
    Riempi();
    const std::string_view inizio(s.buf);
    file_.Formato = percorso ? FormatoDelFile(*percorso, inizio.substr(0, 64)) : formato;
    const char* utf16 = inizio.rfind("\xFF\xFE", 0) == 0   ? "UTF-16LE"
                        : inizio.rfind("\xFE\xFF", 0) == 0 ? "UTF-16BE"
                                                           : Utf16SenzaBom(inizio);
    if (inizio.rfind("\xEF\xBB\xBF", 0) == 0) {
        s.pos = 3;
        s.modo = TStato::TModo::Utf8Dichiarato;
        s.nomeModo = "UTF-8 con BOM";
    } else if (utf16) {
        // Rare enough to be read whole and converted at once.
        while (Riempi()) {
        }
        const bool bom = s.buf.rfind("\xFF\xFE", 0) == 0 || s.buf.rfind("\xFE\xFF", 0) == 0;
        std::string convertito;
        if (!ConvertiDaCharset(std::string_view(s.buf).substr(bom ? 2 : 0), utf16, convertito))
            throw std::runtime_error(std::string("Il testo non si lascia convertire da ") + utf16);
        s.buf = std::move(convertito);
        s.pos = 0;
        s.modo = TStato::TModo::Convertito;
        s.nomeModo = utf16;
    }
    file_.Codifica = s.nomeModo;
    if (file_.Formato == TFormatoFile::VCard) return;

    file_.Separatore = RilevaSeparatore(std::string_view(s.buf).substr(s.pos));
    s.csv.emplace(file_.Separatore);
    TRigaImportata intestazione;
    while (!s.csv->Prossimo(s.buf, s.pos, s.finito, s.record))
        if (!Riempi() && s.finito && s.pos >= s.buf.size()) throw ECsvNonValido("Il file è vuoto");
    ProssimaCsv(intestazione);  // decodes the header in s.record
}

void TLetturaImportazione::AnnotaCodifica(int riga, TCodificaRiga codifica) {
    TStato& s = *stato_;
    if (codifica == TCodificaRiga::Ascii) return;
    auto& tratti = codifica == TCodificaRiga::Utf8 ? s.utf8 : s.windows1252;
    std::size_t& oltre = codifica == TCodificaRiga::Utf8 ? s.utf8Oltre : s.windows1252Oltre;
    if (!tratti.empty() && tratti.back().second + 1 >= riga) {
        tratti.back().second = riga;
        return;
    }
    if (tratti.size() >= kTrattiNominati) {
        ++oltre;
        return;
    }
    tratti.emplace_back(riga, riga);
    const char* dove = file_.Formato == TFormatoFile::Csv ? "righe " : "linee ";
    if (s.windows1252.empty())
        file_.Codifica = s.nomeModo;
    else if (s.utf8.empty())
        file_.Codifica = "Windows-1252";
    else
        file_.Codifica = "UTF-8 (" + std::string(dove) + Tratti(s.utf8, s.utf8Oltre) +
                         ") e Windows-1252 (" + dove + Tratti(s.windows1252, s.windows1252Oltre) +
                         ")";
}

bool TLetturaImportazione::CodificheMiste() const {
    return !stato_->utf8.empty() && !stato_->windows1252.empty();
}

bool TLetturaImportazione::Prossima(TRigaImportata& riga) {
    return file_.Formato == TFormatoFile::VCard ? ProssimaVCard(riga) : ProssimaCsv(riga);
}

bool TLetturaImportazione::ProssimaCsv(TRigaImportata& riga) {
    TStato& s = *stato_;
    const bool intestazione = file_.Intestazione.empty() && file_.Mappa.empty();
    for (;;) {
        if (!intestazione)
            while (!s.csv->Prossimo(s.buf, s.pos, s.finito, s.record))
                if (!Riempi() && s.finito && s.pos >= s.buf.size()) return false;
        TRecordCsv& record = s.record;
        // The row's text: UTF-8 when it is, else Windows-1252.
        TCodificaRiga codifica = TCodificaRiga::Ascii;
        bool nul = false;
        if (s.modo != TStato::TModo::Convertito) {
            bool ascii = true, utf8 = true;
            for (const std::string& campo : record.Campi) {
                if (campo.find('\0') != std::string::npos) nul = true;
                if (SoloAscii(campo)) continue;
                ascii = false;
                if (!UTF8Valido(campo)) utf8 = false;
            }
            if (!ascii && !utf8 && s.modo == TStato::TModo::Utf8Dichiarato)
                throw ECsvNonValido("Il file dichiara UTF-8 ma la riga " +
                                    std::to_string(record.Riga) + " contiene byte non validi");
            if (!ascii) codifica = utf8 ? TCodificaRiga::Utf8 : TCodificaRiga::Windows1252;
            if (codifica == TCodificaRiga::Windows1252)
                for (std::string& campo : record.Campi) campo = DaWindows1252(campo);
            AnnotaCodifica(record.Riga, codifica);
        }
        if (intestazione) {
            file_.Intestazione = std::move(record.Campi);
            file_.Mappa = MappaIntestazione(file_.Intestazione);
            for (const auto& campo : file_.Mappa)
                if (campo) s.presenti[static_cast<std::size_t>(*campo)] = true;
            if (s.presenti == std::array<bool, NumeroCampi>{})
                throw ECsvNonValido(
                    "Nessuna colonna dell'intestazione corrisponde a un campo (nomi attesi: " +
                    ElencoCampi() + ")");
            return true;
        }
        if (Vuoto(record.Campi)) continue;  // blank lines
        const std::size_t colonne = file_.Intestazione.size();
        riga.Riga = record.Riga;
        riga.Presenti = s.presenti;
        riga.Errore.clear();
        riga.Codifica = codifica;
        riga.Contatto.OrdNum = 0;
        for (std::string& v : riga.Contatto.Valori) v.clear();
        if (nul) riga.Errore = "contiene caratteri NUL";
        for (std::size_t c = 0; c < record.Campi.size(); ++c) {
            if (c >= colonne) {
                if (!record.Campi[c].empty() && riga.Errore.empty())
                    riga.Errore = "ha " + std::to_string(record.Campi.size()) +
                                  " campi, l'intestazione " + std::to_string(colonne);
                continue;
            }
            if (!file_.Mappa[c]) continue;
            std::string& valore = record.Campi[c];
            if (!valore.empty() && valore[0] == '\'' && SembraFormula(valore)) valore.erase(0, 1);
            riga.Contatto[*file_.Mappa[c]].swap(valore);
        }
        return true;
    }
}

bool TLetturaImportazione::ProssimaVCard(TRigaImportata& riga) {
    TStato& s = *stato_;
    TSchedaVCard& scheda = s.scheda;
    bool completata = false;
    while (!completata) {
        std::size_t fine = FineLinea(std::string_view(s.buf).substr(s.pos));
        if (fine != std::string::npos) fine += s.pos;
        // A line, or a CR that may be the first half of CR LF, going on
        // beyond what has been read.
        if ((fine == std::string::npos || (s.buf[fine] == '\r' && fine + 1 == s.buf.size())) &&
            !s.finito) {
            Riempi();
            continue;
        }
        if (fine == std::string::npos && s.pos >= s.buf.size()) {
            if (s.chiuso) return false;
            s.chiuso = true;
            completata = s.vcard.Fine(scheda);
            if (!completata) return false;
            break;
        }
        const std::size_t a = fine == std::string::npos ? s.buf.size() : fine;
        completata =
            s.vcard.Linea(++s.linea, std::string_view(s.buf).substr(s.pos, a - s.pos), scheda);
        s.pos = a;
        if (s.pos < s.buf.size() && s.buf[s.pos] == '\r') ++s.pos;
        if (s.pos < s.buf.size() && s.buf[s.pos] == '\n') ++s.pos;
    }
    riga.Riga = scheda.Linea;
    std::swap(riga.Contatto, scheda.Contatto);
    riga.Presenti = scheda.Presenti;
    riga.Errore = scheda.Nul ? "contiene caratteri NUL" : "";
    riga.Codifica = scheda.Windows1252 ? TCodificaRiga::Windows1252
                    : scheda.NonAscii  ? TCodificaRiga::Utf8
                                       : TCodificaRiga::Ascii;
    if (s.modo == TStato::TModo::PerRiga) AnnotaCodifica(riga.Riga, riga.Codifica);
    return true;
}

TFileImportazione LeggiImportazione(std::string_view bytes, TFormatoFile formato) {
    TLetturaImportazione lettura(bytes, formato);
    TFileImportazione file = lettura.File();
    TRigaImportata riga;
    while (lettura.Prossima(riga)) file.Righe.push_back(std::move(riga));
    file.Codifica = lettura.File().Codifica;
    return file;
}

std::string LeggiFile(const std::filesystem::path& percorso) {
    const int fd = ApriFileNormale(percorso);
    std::string testo;
    try {
        struct stat st {};
        ::fstat(fd, &st);
        // Straight into the string as far as the size goes, then in blocks for
        // what a file still growing has beyond it, up to the limit.
        testo.reserve(static_cast<std::size_t>(st.st_size) + 1);
        ChiediPagineGrandi(testo.data(), testo.capacity());
        for (;;) {
            const std::size_t resto = testo.size();
            const std::size_t quanto = std::max<std::size_t>(testo.capacity() - resto, 1 << 16);
            testo.resize(resto + quanto);
            const std::size_t n = LeggiDa(fd, testo.data() + resto, quanto, percorso);
            testo.resize(resto + n);
            if (testo.size() > kMassimoFileImportazione)
                throw std::runtime_error(TroppoGrande(percorso));
            if (n == 0) break;
        }
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return testo;
}

}  // namespace brivano
