#pragma once
// A fresh folder below the system's temporary folder, removed with its content
// when the object goes.

#include <filesystem>
#include <string>

class TTempDir {
  public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as text with a trailing "/", the way the program stores folders.
    std::string str() const { return path_.string() + "/"; }

  private:
    std::filesystem::path path_;
};

// Points XDG_CONFIG_HOME (and XDG_DATA_HOME) at a private folder for the life of
// the object, so tests never touch the user's real configuration.
class TScopedXdgHome {
  public:
    TScopedXdgHome();
    ~TScopedXdgHome();
    const std::filesystem::path& path() const { return dir_.path(); }

  private:
    TTempDir dir_;
    std::string oldConfig_, oldData_;
    bool hadConfig_ = false, hadData_ = false;
};
