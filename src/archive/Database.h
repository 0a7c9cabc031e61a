#pragma once
// A temporary connection to a folder, and the engine's table restructure
// operation that protects a table file with a password.

#include <string>
#include <vector>

class TSession;

// Counted engine initialisation: each EngineInit is matched by an EngineExit.
void EngineInit();
void EngineExit();
int EngineInitCount();

class TDatabase {
  public:
    explicit TDatabase(TSession& session);
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    std::string DatabaseName;         // unique among the session's connections
    std::string DriverName;           // "STANDARD"
    std::vector<std::string> Params;  // "path=<folder>"

    // Raises EDBEngineError for a duplicate name, an unknown driver or a
    // folder that does not exist.
    void Open();
    void Close();
    bool Connected() const { return connected_; }
    // The engine handle of the connection: its folder.
    const std::string& Handle() const { return folder_; }

  private:
    TSession& session_;
    bool connected_ = false;
    std::string folder_;
};

// The create/restructure descriptor of one table.
struct TCRTblDesc {
    std::string szTblName;  // file name, no folder
    std::string szPassword;
    bool bProtected = false;
};

// Restructures `count` tables of the connection's folder; with bProtected the
// file afterwards opens only for a session holding the password (an access
// lock, not encryption). Returns 0 on success, else a non-zero engine error
// code; EngineLastErrorText then says what went wrong.
int RestructureTable(const std::string& handle, int count, const TCRTblDesc* descriptors,
                     const char* saveAs, const char* keyViolName, const char* problemsName,
                     bool analyzeOnly);
std::string EngineLastErrorText();
