#pragma once
// Header lines of a message: "Name: value", continued on lines that begin with
// a space or a TAB. Names compare without regard to case; values are folded at
// 78 columns when set.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "exception/IdException.h"

// A header name or value that would break out of its line (CR, LF or NUL
// outside a fold); nothing was changed.
class EIdInvalidHeaderText : public EIdException {
  public:
    explicit EIdInvalidHeaderText(std::string_view name);
};

// The lines a header line becomes when folded at 78 columns.
std::vector<std::string> FoldHeaderLine(std::string_view line);

class TIdHeaderList {
  public:
    const std::vector<std::string>& Lines() const { return lines_; }
    std::size_t Count() const { return lines_.size(); }
    const std::string& operator[](std::size_t index) const { return lines_[index]; }

    // Appends one line as it is; raises EIdInvalidHeaderText for CR, LF or NUL.
    void Add(std::string line);
    void Clear() { lines_.clear(); }

    // Sets, replaces or (with an empty value) removes a header.
    void SetHeaderValue(std::string_view name, std::string_view value);

    // The value of the first header of that name, continuation lines joined;
    // empty when there is none.
    std::string Values(std::string_view name) const;

    // Index of the first line whose name matches, or -1.
    std::ptrdiff_t IndexOfName(std::string_view name) const;

    // Every line followed by CR LF.
    std::string Text() const;

  private:
    void EraseWithContinuation(std::size_t index, bool keepFirst);

    std::vector<std::string> lines_;
};
