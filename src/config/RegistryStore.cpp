#include "config/RegistryStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// File format, one value a line, texts quoted with C-like escapes:
//   "Conf"=sz:"OK"
//   "Anno"=dword:000007da
//   "Blob"=hex:00ff10
constexpr const char* kHeader =
    "; Brivano configuration store, key %s\n"
    "; One value a line: \"name\"=type:data with type sz, expand_sz, dword or hex.\n";

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Quote(const std::string& text) {
    static const char* hex = "0123456789abcdef";
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
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
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
                int hi = HexDigit(cur.line[cur.pos]), lo = HexDigit(cur.line[cur.pos + 1]);
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
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

std::string ToHex(const std::string& bytes) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
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
        int d = HexDigit(c);
        if (d < 0) return false;
        v = v * 16 + static_cast<uint32_t>(d);
    }
    out.clear();
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
    return true;
}

std::string Timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

[[noreturn]] void RaiseErrno(const std::string& what, const fs::path& file) {
    throw ERegistryException("Cannot write the configuration store " + file.string() + ": " + what +
                             ": " + std::strerror(errno));
}

}  // namespace

TRegistryStore::TRegistryStore(const std::string& keyPath)
    : keyPath_(keyPath), file_(FileForKey(keyPath)) {}

fs::path TRegistryStore::FileForKey(const std::string& keyPath) {
    fs::path base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home && *home ? home : "/tmp") / ".config";
    }
    std::vector<std::string> parts;
    std::string part;
    for (char c : keyPath) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    if (parts.empty()) parts.push_back("default");
    // "." and ".." would lead out of the configuration folder.
    for (std::string& p : parts)
        if (p == "." || p == "..") p = "_" + p;
    for (size_t i = 0; i + 1 < parts.size(); ++i) base /= parts[i];
    return base / (parts.back() + ".reg");
}

bool TRegistryStore::KeyExists() const {
    return fs::exists(file_);
}

std::vector<TRegistryStore::Entry> TRegistryStore::Load() const {
    std::vector<Entry> entries;
    std::ifstream in(file_, std::ios::binary);
    if (!in) return entries;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        Cursor cur{line};
        Entry e;
        std::string typeName, rest;
        bool ok = Unquote(cur, e.name) && cur.Eat('=');
        if (ok) {
            size_t colon = line.find(':', cur.pos);
            ok = colon != std::string::npos;
            if (ok) {
                typeName = line.substr(cur.pos, colon - cur.pos);
                cur.pos = colon + 1;
            }
        }
        if (ok && (typeName == "sz" || typeName == "expand_sz")) {
            e.value.type = typeName == "sz" ? TRegDataType::String : TRegDataType::ExpandString;
            ok = Unquote(cur, e.value.data) && cur.pos == line.size();
        } else if (ok && typeName == "dword") {
            e.value.type = TRegDataType::DWord;
            ok = ParseDWord(line.substr(cur.pos), e.value.data);
        } else if (ok && typeName == "hex") {
            e.value.type = TRegDataType::Binary;
            ok = ParseHex(line.substr(cur.pos), e.value.data);
        } else {
            ok = false;
        }
        if (!ok) {
            // Keep the damaged file aside rather than overwrite it with defaults.
            fs::path aside = file_;
            aside += ".damaged-" + Timestamp();
            std::error_code ec;
            fs::rename(file_, aside, ec);
            throw ERegistryException("The configuration store " + file_.string() +
                                     " is damaged at line " + std::to_string(lineNo) +
                                     (ec ? std::string() : "; it was kept as " + aside.string()));
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

std::optional<TRegValue> TRegistryStore::Read(const std::string& name) const {
    const std::string wanted = Lower(name);
    for (const Entry& e : Load())
        if (Lower(e.name) == wanted) return e.value;
    return std::nullopt;
}

void TRegistryStore::Write(const std::string& name, const TRegValue& value) const {
    std::vector<Entry> entries = Load();
    const std::string wanted = Lower(name);
    bool found = false;
    for (Entry& e : entries) {
        if (Lower(e.name) == wanted) {
            e.value = value;
            found = true;
        }
    }
    if (!found) entries.push_back({name, value});
    Save(entries);
}

void TRegistryStore::Save(const std::vector<Entry>& entries) const {
    std::ostringstream text;
    char header[512];
    std::snprintf(header, sizeof header, kHeader, keyPath_.c_str());
    text << header;
    for (const Entry& e : entries) {
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
    const std::string bytes = text.str();

    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    if (ec) {
        errno = ec.value();
        RaiseErrno("cannot create its folder", file_);
    }
    std::string tmp = file_.string() + ".tmp-XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) RaiseErrno("cannot create a temporary file", file_);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            int saved = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            errno = saved;
            RaiseErrno("write failed", file_);
        }
        done += static_cast<size_t>(n);
    }
    const bool flushed = ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!flushed || !closed) {
        int saved = errno;
        ::unlink(tmp.c_str());
        errno = saved;
        RaiseErrno("flush failed", file_);
    }
    if (::rename(tmp.c_str(), file_.c_str()) != 0) {
        int saved = errno;
        ::unlink(tmp.c_str());
        errno = saved;
        RaiseErrno("rename failed", file_);
    }
    // Make the rename itself durable.
    int dir = ::open(file_.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}
