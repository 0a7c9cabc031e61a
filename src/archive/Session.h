#pragma once
// An engine session: its aliases (name -> folder), the passwords it holds and
// the table files it has open. Tables and queries name an alias, never a folder;
// the alias is looked up at every open, so re-pointing it moves every later
// open to the new folder.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TTableFile;

class TArchiveSession {
  public:
    explicit TArchiveSession(std::string sessionName);
    ~TArchiveSession();
    TArchiveSession(const TArchiveSession&) = delete;
    TArchiveSession& operator=(const TArchiveSession&) = delete;

    const std::string& SessionName() const { return name_; }

    bool Active() const { return active_; }
    void Open() { active_ = true; }
    // Drops every connection the session keeps.
    void Close();

    const std::string& NetFileDir() const { return netFileDir_; }
    void SetNetFileDir(const std::string& dir) { netFileDir_ = dir; }
    const std::string& PrivateDir() const { return privateDir_; }
    void SetPrivateDir(const std::string& dir) { privateDir_ = dir; }

    // Alias and password operations open a closed session first.
    void DeleteAlias(const std::string& alias);  // no error when it does not exist
    void AddStandardAlias(const std::string& alias, const std::string& path,
                          const std::string& defaultDriver);
    void AddPassword(const std::string& password);

    bool IsAlias(const std::string& alias) const;
    // Parameters of an alias as the engine keeps them: "TYPE", "PATH", "DEFAULT DRIVER".
    std::map<std::string, std::string> AliasParams(const std::string& alias) const;
    const std::vector<std::string>& Passwords() const { return passwords_; }

    // Engine side, for tables and queries: the folder of an alias (raises
    // EArchiveError for an unknown alias) and an open connection to one table
    // file in it, shared by everything the session opens on that file.
    std::filesystem::path AliasFolder(const std::string& alias) const;
    // Where a table file of an alias lies; raises for a name that is not a
    // plain file name.
    std::filesystem::path TablePath(const std::string& alias, const std::string& fileName) const;
    std::shared_ptr<TTableFile> OpenTableFile(const std::string& alias,
                                              const std::string& fileName);

    // Names of the temporary connections open in this session.
    void RegisterConnection(const std::string& name);  // raises on a duplicate
    void ForgetConnection(const std::string& name);

  private:
    struct Alias {
        std::string type, path, defaultDriver;
    };
    static std::string Key(const std::string& alias);

    std::string name_;
    bool active_ = true;
    std::string netFileDir_, privateDir_;
    std::map<std::string, Alias> aliases_;  // keyed by upper-case name
    std::vector<std::string> passwords_;
    std::map<std::filesystem::path, std::weak_ptr<TTableFile>> files_;
    std::vector<std::string> databases_;
};

// The process-wide session that keeps the names of temporary folder connections.
TArchiveSession& FolderConnectionSession();
