#include "archive/Database.h"

#include <strings.h>

#include <filesystem>

#include "archive/EngineError.h"
#include "archive/Session.h"
#include "archive/TableFile.h"

namespace fs = std::filesystem;

namespace {
int initCount = 0;
std::string lastError;

enum : int { kOk = 0, kNotInitialised = 1, kInvalidArgument = 2, kTableError = 3 };

int Fail(int code, std::string text) {
    lastError = std::move(text);
    return code;
}
}  // namespace

void EngineInit() {
    ++initCount;
}
void EngineExit() {
    if (initCount > 0) --initCount;
}
int EngineInitCount() {
    return initCount;
}
std::string EngineLastErrorText() {
    return lastError;
}

TDatabase::TDatabase(TSession& session) : session_(session) {}
TDatabase::~TDatabase() {
    Close();
}

void TDatabase::Open() {
    if (connected_) return;
    if (strcasecmp(DriverName.c_str(), "STANDARD") != 0)
        throw EDBEngineError("Unknown driver: " + DriverName);
    std::string folder;
    for (const std::string& p : Params)
        if (strncasecmp(p.c_str(), "path=", 5) == 0) folder = p.substr(5);
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec))
        throw EDBEngineError("Folder does not exist: " + folder);
    session_.AddDatabaseName(DatabaseName);
    folder_ = folder;
    connected_ = true;
}

void TDatabase::Close() {
    if (!connected_) return;
    session_.RemoveDatabaseName(DatabaseName);
    connected_ = false;
    folder_.clear();
}

int RestructureTable(const std::string& handle, int count, const TCRTblDesc* descriptors,
                     const char* saveAs, const char* keyViolName, const char* problemsName,
                     bool analyzeOnly) {
    if (initCount == 0) return Fail(kNotInitialised, "The engine is not initialised");
    if (handle.empty() || count < 0 || (count > 0 && !descriptors))
        return Fail(kInvalidArgument, "Invalid restructure arguments");
    for (const char* name : {saveAs, keyViolName, problemsName})
        if (name && *name)
            return Fail(kInvalidArgument, "Restructure into other tables is not supported");
    for (int i = 0; i < count; ++i) {
        const TCRTblDesc& d = descriptors[i];
        if (!IsTableFileName(d.szTblName))
            return Fail(kInvalidArgument, "Invalid table name: " + d.szTblName);
        if (analyzeOnly || !d.bProtected) continue;
        if (d.szPassword.empty())
            return Fail(kInvalidArgument, "A protected table needs a password");
        try {
            TTableFile::Open(fs::path(handle) / d.szTblName)->Protect(d.szPassword);
        } catch (const EDBEngineError& e) {
            return Fail(kTableError, e.what());
        }
    }
    return kOk;
}
