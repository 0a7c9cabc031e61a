#include "config/RegistryText.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

#include "text/Testo.h"

namespace {

constexpr const char* kHeaderKey = "; Brivano configuration store, key ";
constexpr const char* kHeaderRest =
    "; One value a line: \"name\"=type:data with type sz, expand_sz, dword or hex.\n";

// The key path inside the comment line: a line break or other control
// character would end the comment and leave the rest to be read as a value.
std::string CommentText(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return out;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    out += "\\x";
                    brivano::AppendHexByteLower(out, c);
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

struct Cursor {
    const std::string& line;
    size_t pos = 0;
    bool Eat(char c) {
        if (pos < line.size() && line[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
};

// Reads a quoted text at the cursor; false when it is not well formed.
bool Unquote(Cursor& cur, std::string& out) {
    if (!cur.Eat('"')) return false;
    out.clear();
    while (cur.pos < cur.line.size()) {
        char c = cur.line[cur.pos++];
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (cur.pos >= cur.line.size()) return false;
        char e = cur.line[cur.pos++];
        switch (e) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                if (cur.pos + 2 > cur.line.size()) return false;
                int hi = brivano::HexValue(cur.line[cur.pos]),
                    lo = brivano::HexValue(cur.line[cur.pos + 1]);
                if (hi < 0 || lo < 0) return false;
                out += static_cast<char>(hi * 16 + lo);
                cur.pos += 2;
                break;
            }
            default:
                return false;
        }
    }
    return false;
}

bool ParseHex(const std::string& text, std::string& out) {
    if (text.size() % 2) return false;
    out.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = brivano::HexValue(text[i]), lo = brivano::HexValue(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

std::string ToHex(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) brivano::AppendHexByteLower(out, c);
    return out;
}

std::string DWordText(const std::string& data) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < data.size(); ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08x", v);
    return buf;
}

bool ParseDWord(const std::string& text, std::string& out) {
    if (text.empty() || text.size() > 8) return false;
    uint32_t v = 0;
    for (char c : text) {
        int d = brivano::HexValue(c);
        if (d < 0) return false;
        v = v * 16 + static_cast<uint32_t>(d);
    }
    out.clear();
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
    return true;
}

// One value line; false when it is not well formed.
bool ParseLine(const std::string& line, TRegEntry& e) {
    Cursor cur{line};
    if (!Unquote(cur, e.name) || !cur.Eat('=')) return false;
    const size_t colon = line.find(':', cur.pos);
    if (colon == std::string::npos) return false;
    const std::string typeName = line.substr(cur.pos, colon - cur.pos);
    cur.pos = colon + 1;
    if (typeName == "sz" || typeName == "expand_sz") {
        e.value.type = typeName == "sz" ? TRegDataType::String : TRegDataType::ExpandString;
        return Unquote(cur, e.value.data) && cur.pos == line.size();
    }
    if (typeName == "dword") {
        e.value.type = TRegDataType::DWord;
        return ParseDWord(line.substr(cur.pos), e.value.data);
    }
    if (typeName == "hex") {
        e.value.type = TRegDataType::Binary;
        return ParseHex(line.substr(cur.pos), e.value.data);
    }
    return false;
}

}  // namespace

TRegText ParseRegistryText(const std::string& text) {
    TRegText parsed;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        TRegEntry e;
        if (ParseLine(line, e))
            parsed.entries.push_back(std::move(e));
        else
            parsed.damagedLines.push_back(lineNo);
    }
    return parsed;
}

std::string FormatRegistryText(const std::string& keyPath, const std::vector<TRegEntry>& entries) {
    std::ostringstream text;
    // Whole, however long the key path: a cut header would swallow the first value.
    text << kHeaderKey << CommentText(keyPath) << '\n' << kHeaderRest;
    for (const TRegEntry& e : entries) {
        text << Quote(e.name) << '=';
        switch (e.value.type) {
            case TRegDataType::String:
                text << "sz:" << Quote(e.value.data);
                break;
            case TRegDataType::ExpandString:
                text << "expand_sz:" << Quote(e.value.data);
                break;
            case TRegDataType::DWord:
                text << "dword:" << DWordText(e.value.data);
                break;
            case TRegDataType::Binary:
                text << "hex:" << ToHex(e.value.data);
                break;
        }
        text << '\n';
    }
    return text.str();
}
