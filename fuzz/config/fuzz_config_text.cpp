// Configuration store files as they may be found on disk: any bytes. Reading
// never fails; damaged lines are reported by number, in order, within the
// text; and what was read, written back out under any key path, reads back the
// same with no damaged line. Input: the key path, a NUL byte, the file text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/RegistryText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = bytes.find('\0');
    const std::string keyPath = cut == std::string::npos ? std::string() : bytes.substr(0, cut);
    const std::string text = cut == std::string::npos ? bytes : bytes.substr(cut + 1);

    const TRegText read = ParseRegistryText(text);
    int lines = 0;
    for (char c : text) lines += c == '\n';
    if (!text.empty() && text.back() != '\n') ++lines;
    int previous = 0;
    for (int n : read.damagedLines) {
        if (n <= previous || n > lines) std::abort();
        previous = n;
    }

    const TRegText again = ParseRegistryText(FormatRegistryText(keyPath, read.entries));
    if (!again.damagedLines.empty() || again.entries.size() != read.entries.size()) std::abort();
    for (std::size_t i = 0; i < read.entries.size(); ++i)
        if (again.entries[i].name != read.entries[i].name ||
            !(again.entries[i].value == read.entries[i].value))
            std::abort();
    return 0;
}
