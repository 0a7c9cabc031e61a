#include "archive/Session.h"

#include <algorithm>
#include <cctype>

#include "archive/ArchiveError.h"
#include "archive/TableFile.h"
#include "text/Testo.h"

namespace fs = std::filesystem;

TArchiveSession::TArchiveSession(std::string sessionName) : name_(std::move(sessionName)) {}
TArchiveSession::~TArchiveSession() = default;

std::string TArchiveSession::Key(const std::string& alias) {
    return brivano::AsciiUpperCase(alias);
}

void TArchiveSession::Close() {
    files_.clear();
    active_ = false;
}

void TArchiveSession::DeleteAlias(const std::string& alias) {
    Open();
    aliases_.erase(Key(alias));
}

void TArchiveSession::AddStandardAlias(const std::string& alias, const std::string& path,
                                       const std::string& defaultDriver) {
    Open();
    if (alias.empty()) throw EArchiveError("An alias needs a name");
    if (aliases_.count(Key(alias))) throw EArchiveError("Duplicate alias name: " + alias);
    aliases_[Key(alias)] = {"STANDARD", path, defaultDriver};
}

void TArchiveSession::AddPassword(const std::string& password) {
    Open();
    if (std::find(passwords_.begin(), passwords_.end(), password) == passwords_.end())
        passwords_.push_back(password);
}

bool TArchiveSession::IsAlias(const std::string& alias) const {
    return aliases_.count(Key(alias)) > 0;
}

std::map<std::string, std::string> TArchiveSession::AliasParams(const std::string& alias) const {
    auto it = aliases_.find(Key(alias));
    if (it == aliases_.end()) return {};
    return {{"TYPE", it->second.type},
            {"PATH", it->second.path},
            {"DEFAULT DRIVER", it->second.defaultDriver}};
}

fs::path TArchiveSession::AliasFolder(const std::string& alias) const {
    auto it = aliases_.find(Key(alias));
    if (it == aliases_.end()) throw EArchiveError("Unknown database: " + alias);
    return fs::path(it->second.path);
}

std::shared_ptr<TTableFile> TArchiveSession::OpenTableFile(const std::string& alias,
                                                           const std::string& fileName) {
    // The alias is resolved at every open, so a re-pointed alias reaches its new
    // folder even where a connection to the old one is still cached.
    const fs::path path = TablePath(alias, fileName).lexically_normal();
    std::shared_ptr<TTableFile> file = files_[path].lock();
    if (!file) {
        file = TTableFile::Open(path);
        files_[path] = file;
    }
    file->RequireAccess(passwords_);
    return file;
}

fs::path TArchiveSession::TablePath(const std::string& alias, const std::string& fileName) const {
    if (fileName.empty()) throw EArchiveError("No table name given");
    if (!IsTableFileName(fileName)) throw EArchiveError("Invalid table name: " + fileName);
    return AliasFolder(alias) / fileName;
}

void TArchiveSession::RegisterConnection(const std::string& name) {
    for (const std::string& n : databases_)
        if (Key(n) == Key(name)) throw EArchiveError("Duplicate database name: " + name);
    databases_.push_back(name);
}

void TArchiveSession::ForgetConnection(const std::string& name) {
    std::erase_if(databases_, [&](const std::string& n) { return Key(n) == Key(name); });
}

TArchiveSession& FolderConnectionSession() {
    static TArchiveSession session("Default");
    return session;
}
