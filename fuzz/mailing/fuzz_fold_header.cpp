// Header folding of fuzzed lines: no hang, every non-blank character kept in
// order, and a header value set in a list never yields a line with a break of
// its own or a blank line that would end the headers.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "mailing/IdHeaderList.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

std::string NonBlank(const std::string& s) {
    std::string out;
    for (char c : s)
        if (static_cast<unsigned char>(c) > 32) out += c;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    std::string joined;
    for (const auto& piece : FoldHeaderLine(line)) {
        Require(piece.find("\r\n") == std::string::npos);
        joined += piece;
    }
    Require(NonBlank(joined) == NonBlank(line));

    TIdHeaderList headers;
    try {
        headers.SetHeaderValue("Subject", line);
    } catch (const EIdInvalidHeaderText&) {
        return 0;
    }
    for (std::size_t i = 0; i < headers.Count(); ++i) {
        const std::string& l = headers[i];
        Require(l.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        Require(!l.empty());
        Require(i == 0 || l[0] == ' ' || l[0] == '\t');
    }
    return 0;
}
