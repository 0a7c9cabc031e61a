#include "config/RegistryStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "text/Ora.h"
#include "text/Testo.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void RaiseErrno(const std::string& what, const fs::path& file) {
    throw ERegistryException("Cannot write the configuration store " + file.string() + ": " + what +
                             ": " + std::strerror(errno));
}

std::string DamageText(const fs::path& file, const TRegRecovery& recovery) {
    std::string lines;
    for (int n : recovery.damagedLines) lines += (lines.empty() ? "" : ", ") + std::to_string(n);
    const bool one = recovery.damagedLines.size() == 1;
    std::string text = "La configurazione " + file.string() + " è danneggiata (" +
                       (one ? "riga " : "righe ") + lines + ") ed è stata messa da parte come " +
                       recovery.keptAs.string();
    if (recovery.recovered.empty()) return text + "; non contiene valori leggibili";
    return text + "; ne sono stati recuperati " + std::to_string(recovery.recovered.size()) +
           (recovery.recovered.size() == 1 ? " valore" : " valori");
}

bool IsStoreTempName(const std::string& storeFileName, const std::string& name) {
    const std::string prefix = storeFileName + ".tmp-";
    if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) return false;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
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

std::string TRegistryStore::ReadText() const {
    std::ifstream in(file_, std::ios::binary);
    std::stringstream text;
    if (in) text << in.rdbuf();
    return text.str();
}

TRegRecovery TRegistryStore::KeepAside(const TRegText& parsed) const {
    TRegRecovery recovery;
    recovery.damagedLines = parsed.damagedLines;
    for (const TRegEntry& e : parsed.entries) recovery.recovered.push_back(e.name);
    // A free name, so an earlier damaged file kept aside in the same second stays.
    const std::string stem = file_.string() + ".damaged-" +
                             brivano::OraCorrente("%Y%m%d-%H%M%S", brivano::TFuso::Locale);
    fs::path aside = stem;
    for (int n = 1; n < 100 && fs::exists(aside); ++n) aside = stem + "-" + std::to_string(n);
    if (::rename(file_.c_str(), aside.c_str()) != 0)
        throw ERegistryException("La configurazione " + file_.string() + " è danneggiata (riga " +
                                 std::to_string(parsed.damagedLines.front()) +
                                 ") e non può essere messa da parte: " + std::strerror(errno));
    recovery.keptAs = aside;
    if (parsed.entries.empty()) throw ERegistryException(DamageText(file_, recovery));
    Save(parsed.entries);
    return recovery;
}

std::optional<TRegRecovery> TRegistryStore::Recover(std::vector<TRegEntry>* sound) const {
    TRegText parsed = ParseRegistryText(ReadText());
    if (parsed.damagedLines.empty()) {
        if (sound) *sound = std::move(parsed.entries);
        return std::nullopt;
    }
    return KeepAside(parsed);
}

std::vector<TRegEntry> TRegistryStore::Load() const {
    TRegText parsed = ParseRegistryText(ReadText());
    if (!parsed.damagedLines.empty())
        throw ERegistryException(DamageText(file_, KeepAside(parsed)));
    return std::move(parsed.entries);
}

std::optional<TRegValue> TRegistryStore::Read(const std::string& name) const {
    for (const TRegEntry& e : Load())
        if (brivano::EqualsNoCase(e.name, name)) return e.value;
    return std::nullopt;
}

void TRegistryStore::Write(const std::string& name, const TRegValue& value) const {
    std::vector<TRegEntry> entries = Load();
    bool found = false;
    for (TRegEntry& e : entries) {
        if (brivano::EqualsNoCase(e.name, name)) {
            e.value = value;
            found = true;
        }
    }
    if (!found) entries.push_back({name, value});
    Save(entries);
}

void TRegistryStore::RemoveLeftoverTempFiles() const {
    const std::string own = file_.filename().string();
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(file_.parent_path(), ec)) {
        const fs::path& path = entry.path();
        if (!IsStoreTempName(own, path.filename().string())) continue;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        // A writer holds its temporary file locked until the rename; a lock we
        // can take means the writer is gone.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
        ::close(fd);
    }
}

void TRegistryStore::Save(const std::vector<TRegEntry>& entries) const {
    const std::string bytes = FormatRegistryText(keyPath_, entries);

    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    if (ec) {
        errno = ec.value();
        RaiseErrno("cannot create its folder", file_);
    }
    RemoveLeftoverTempFiles();
    std::string tmp = file_.string() + ".tmp-XXXXXX";
    int fd = mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) RaiseErrno("cannot create a temporary file", file_);
    ::flock(fd, LOCK_EX);
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
