#pragma once
// Reading a CSV text after RFC 4180: fields between separators, quoted fields
// holding separators, doubled quotes and line breaks; lines ending in CR LF,
// LF or CR.

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brivano {

class ECsvNonValido : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct TRecordCsv {
    int Riga = 0;   // 1-based record number, as a spreadsheet numbers its rows
    int Linea = 0;  // 1-based line of the text where the record starts
    std::vector<std::string> Campi;
};

// ';', ',' or '\t': the one that splits the first record into the most
// fields; ';' when none splits it.
char RilevaSeparatore(std::string_view testo);

// Every record of the text; an empty last line adds none. Raises
// ECsvNonValido for a quoted field that never closes, or a quote followed by
// anything but a separator or the line's end.
std::vector<TRecordCsv> LeggiCsv(std::string_view testo, char separatore);

// The same, handing each record to `ricevi` as soon as it is read, so a large
// file is never held as records and as contacts at once. `ricevi` may take
// the fields away; the list itself is reused for the next record.
void LeggiCsv(std::string_view testo, char separatore,
              const std::function<void(TRecordCsv& record)>& ricevi);

// Records read one at a time from a text that arrives in pieces: the caller
// keeps the unread rest of one piece in front of the next.
class TLettoreCsv {
  public:
    explicit TLettoreCsv(char separatore) : separatore_(separatore) {}
    // Reads the record starting at `pos` and moves `pos` past it. False, with
    // `pos` unchanged, when the text holds no whole record from there: at its
    // end, or, unless `ultimo` says no more text follows, a record that may go
    // on beyond it. Raises ECsvNonValido as LeggiCsv does.
    bool Prossimo(std::string_view testo, std::size_t& pos, bool ultimo, TRecordCsv& record);

  private:
    char separatore_;
    int numero_ = 0;
    int linea_ = 1;
    std::string campo_;
};

}  // namespace brivano
