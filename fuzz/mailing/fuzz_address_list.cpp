// An address text parsed into a list, read back and rendered as a header:
// only the parse error may come out, and nothing that reaches a header can
// hold a line break of its own.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "mailing/IdEMailAddress.h"
#include "mailing/IdHeaderList.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool HoldsBreak(const std::string& s) {
    return s.find_first_of(std::string("\r\n\0", 3)) != s.npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TIdEMailAddressList list;
    try {
        list.SetListText(text);
    } catch (const EIdEmailParseError&) {
    }
    for (std::size_t i = 0; i < list.Count(); ++i) {
        Require(!HoldsBreak(list[i].Address()) && !HoldsBreak(list[i].Name()));
        Require(!HoldsBreak(list[i].Text()));
    }
    const std::string listText = list.ListText();
    Require(!HoldsBreak(listText));

    TIdEMailAddressList again;
    try {
        again.SetListText(listText);
        again.ListText();
    } catch (const EIdEmailParseError&) {
    }

    const TIdHeaderSettings settings{TTransfer::bit8, size % 2 ? 'Q' : 'B', "ISO-8859-1"};
    TIdHeaderList headers;
    headers.SetHeaderValue("To", RenderAddressList(list, settings, size % 3 == 0));
    for (const auto& line : headers.Lines()) Require(!HoldsBreak(line));
    return 0;
}
