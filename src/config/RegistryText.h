#pragma once
// The text form of a configuration store file: one value a line,
//   "Conf"=sz:"OK"
//   "Anno"=dword:000007da
//   "Blob"=hex:00ff10
// texts quoted with C-like escapes, lines starting with ";" or "#" ignored.

#include <string>
#include <vector>

enum class TRegDataType { String, ExpandString, DWord, Binary };

struct TRegValue {
    TRegDataType type = TRegDataType::String;
    std::string data;  // texts as stored (may hold NUL); a DWord as 4 little-endian bytes
    bool operator==(const TRegValue&) const = default;
};

struct TRegEntry {
    std::string name;
    TRegValue value;
};

// What a file holds: every line that parses, in file order, and the numbers
// (from 1) of the lines that do not.
struct TRegText {
    std::vector<TRegEntry> entries;
    std::vector<int> damagedLines;
};

TRegText ParseRegistryText(const std::string& text);

// The whole file for a key path: a comment header, then one line a value.
std::string FormatRegistryText(const std::string& keyPath, const std::vector<TRegEntry>& entries);
