#include "workflow/LetturaCsv.h"

#include <array>

namespace brivano {

namespace {

// Counts the separator outside quotes in the first record.
int ContaFuoriVirgolette(std::string_view testo, char separatore) {
    int n = 0;
    bool dentro = false;
    for (char c : testo) {
        if (c == '"') {
            dentro = !dentro;
        } else if (!dentro) {
            if (c == '\n' || c == '\r') break;
            if (c == separatore) ++n;
        }
    }
    return n;
}

}  // namespace

char RilevaSeparatore(std::string_view testo) {
    char migliore = ';';
    int massimo = 0;
    for (char candidato : std::array<char, 3>{';', ',', '\t'}) {
        const int n = ContaFuoriVirgolette(testo, candidato);
        if (n > massimo) {
            massimo = n;
            migliore = candidato;
        }
    }
    return migliore;
}

std::vector<TRecordCsv> LeggiCsv(std::string_view testo, char separatore) {
    std::vector<TRecordCsv> records;
    LeggiCsv(testo, separatore, [&records](TRecordCsv& r) { records.push_back(std::move(r)); });
    return records;
}

void LeggiCsv(std::string_view testo, char separatore,
              const std::function<void(TRecordCsv& record)>& ricevi) {
    TLettoreCsv lettore(separatore);
    TRecordCsv record;
    std::size_t pos = 0;
    while (lettore.Prossimo(testo, pos, true, record)) ricevi(record);
}

bool TLettoreCsv::Prossimo(std::string_view testo, std::size_t& pos, bool ultimo,
                           TRecordCsv& record) {
    const std::size_t n = testo.size();
    if (pos >= n) return false;
    std::size_t i = pos;
    int linea = linea_;
    // The list of fields is kept from the record before, so its room is not
    // allocated again for every one.
    record.Campi.clear();
    record.Linea = linea;
    campo_.clear();

    auto chiudiCampo = [&] {
        record.Campi.push_back(std::move(campo_));
        campo_.clear();
    };
    // Consumes one line end at i (CR LF, LF or CR); false when there is none.
    // A CR last in a piece may be the first half of CR LF: not yet decided.
    auto fineLinea = [&]() -> bool {
        if (testo[i] == '\r') {
            i += (i + 1 < n && testo[i + 1] == '\n') ? 2 : 1;
        } else if (testo[i] == '\n') {
            ++i;
        } else {
            return false;
        }
        ++linea;
        return true;
    };
    auto chiudiRecord = [&] {
        chiudiCampo();
        record.Riga = ++numero_;
        linea_ = linea;
        pos = i;
        return true;
    };

    while (i < n) {
        if (testo[i] == '"' && campo_.empty()) {
            // Quoted field: up to the closing quote, doubled quotes stand for one.
            const int lineaApertura = linea;
            ++i;
            bool chiuso = false;
            while (i < n) {
                if (testo[i] == '"') {
                    if (i + 1 < n && testo[i + 1] == '"') {
                        campo_ += '"';
                        i += 2;
                        continue;
                    }
                    if (i + 1 == n && !ultimo) return false;  // maybe the first of two
                    ++i;
                    chiuso = true;
                    break;
                }
                // The run up to the next quote in one piece.
                std::size_t fine = testo.find('"', i);
                if (fine == std::string_view::npos) fine = n;
                for (std::size_t k = i; k < fine; ++k)
                    if (testo[k] == '\n' ||
                        (testo[k] == '\r' && !(k + 1 < n && testo[k + 1] == '\n')))
                        ++linea;
                campo_.append(testo.data() + i, fine - i);
                i = fine;
            }
            if (!chiuso) {
                if (!ultimo) return false;
                throw ECsvNonValido("Virgolette aperte alla linea " +
                                    std::to_string(lineaApertura) + " e mai chiuse");
            }
            if (i >= n) break;
            // Only a separator or a line end may follow, as after any field.
            if (testo[i] != separatore_ && testo[i] != '\r' && testo[i] != '\n')
                throw ECsvNonValido("Testo dopo le virgolette di chiusura alla linea " +
                                    std::to_string(linea));
        }
        if (testo[i] == separatore_) {
            ++i;
            chiudiCampo();
            continue;
        }
        if (testo[i] == '\r' && i + 1 == n && !ultimo) return false;
        if (fineLinea()) return chiudiRecord();
        // An unquoted run up to the next separator or line end in one piece.
        std::size_t fine = i;
        while (fine < n && testo[fine] != separatore_ && testo[fine] != '\n' && testo[fine] != '\r')
            ++fine;
        campo_.append(testo.data() + i, fine - i);
        i = fine;
    }
    // The text ends inside the record.
    if (!ultimo) return false;
    return chiudiRecord();
}

}  // namespace brivano
