#pragma once
// A temporary connection to a folder, and the engine call that protects a
// table file of that folder with a password.

#include <string>

class TArchiveSession;

class TFolderConnection {
  public:
    explicit TFolderConnection(TArchiveSession& session);
    ~TFolderConnection();
    TFolderConnection(const TFolderConnection&) = delete;
    TFolderConnection& operator=(const TFolderConnection&) = delete;

    std::string Name;      // unique among the session's connections
    std::string Driver;    // "STANDARD"
    std::string PathLine;  // "path=<folder>"

    // Raises EArchiveError for a duplicate name, an unknown driver or a
    // folder that does not exist.
    void Open();
    void Close();
    bool Connected() const { return connected_; }
    // The engine handle of the connection: its folder.
    const std::string& Handle() const { return folder_; }

  private:
    TArchiveSession& session_;
    bool connected_ = false;
    std::string folder_;
};

// Protects the table file `fileName` (no folder part) of the connection's
// folder: afterwards it opens only for a session holding the password (an
// access lock, not encryption). A file already holding this password stays
// as it is. Raises EArchiveError saying what went wrong.
void ProtectTableFile(const std::string& handle, const std::string& fileName,
                      const std::string& password);
