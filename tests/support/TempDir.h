#pragma once
// A fresh folder below the system's temporary folder, removed with its content
// when the object goes; the environment set for a test's life; a file's bytes.

#include <filesystem>
#include <string>

// The bytes of a file; empty when it cannot be read.
std::string ContenutoFile(const std::filesystem::path& file);

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

// One environment variable set for the life of the object; the value before
// (or its absence) comes back after.
class TVariabileDiProva {
  public:
    TVariabileDiProva(const char* nome, const std::string& valore);
    ~TVariabileDiProva();
    TVariabileDiProva(const TVariabileDiProva&) = delete;
    TVariabileDiProva& operator=(const TVariabileDiProva&) = delete;

  private:
    const char* nome_;
    std::string prima_;
    bool cera_ = false;
};

// Points XDG_CONFIG_HOME (and XDG_DATA_HOME) at a private folder for the life of
// the object, so tests never touch the user's real configuration.
class TScopedXdgHome {
  public:
    const std::filesystem::path& path() const { return dir_.path(); }

  private:
    TTempDir dir_;
    TVariabileDiProva config_{"XDG_CONFIG_HOME", (dir_.path() / "config").string()};
    TVariabileDiProva data_{"XDG_DATA_HOME", (dir_.path() / "data").string()};
};
