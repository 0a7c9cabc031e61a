#include "archive/FolderConnection.h"

#include <strings.h>

#include <filesystem>

#include "archive/ArchiveError.h"
#include "archive/Session.h"
#include "archive/TableFile.h"

namespace fs = std::filesystem;

TFolderConnection::TFolderConnection(TArchiveSession& session) : session_(session) {}
TFolderConnection::~TFolderConnection() {
    Close();
}

void TFolderConnection::Open() {
    if (connected_) return;
    if (strcasecmp(Driver.c_str(), "STANDARD") != 0)
        throw EArchiveError("Unknown driver: " + Driver);
    std::string folder;
    if (strncasecmp(PathLine.c_str(), "path=", 5) == 0) folder = PathLine.substr(5);
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec))
        throw EArchiveError("Folder does not exist: " + folder);
    session_.RegisterConnection(Name);
    folder_ = folder;
    connected_ = true;
}

void TFolderConnection::Close() {
    if (!connected_) return;
    session_.ForgetConnection(Name);
    connected_ = false;
    folder_.clear();
}

void ProtectTableFile(const std::string& handle, const std::string& fileName,
                      const std::string& password) {
    if (handle.empty()) throw EArchiveError("The connection is not open");
    if (!IsTableFileName(fileName)) throw EArchiveError("Invalid table name: " + fileName);
    if (password.empty()) throw EArchiveError("A protected table needs a password");
    TTableFile::Open(fs::path(handle) / fileName)->Protect(password);
}
