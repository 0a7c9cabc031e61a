#pragma once
// A file-backed store of named values under a key path, in the manner of a
// per-user registry key. Each key path ("KORALDI\Brivano\") is one plain text
// file below the user's XDG configuration folder (KORALDI/Brivano.reg), so it
// can be read and mended with any editor.
//
// Nothing is cached: every read parses the file afresh. Every write replaces
// the file atomically (temporary file, flush, rename), so a crash or a full
// disk mid-write leaves the previous store intact; the temporary file such a
// crash leaves behind goes at the next write, or when the program next starts.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/RegistryText.h"

class ERegistryException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What a recovery of a damaged store did.
struct TRegRecovery {
    std::filesystem::path keptAs;        // the damaged file, moved aside
    std::vector<int> damagedLines;       // numbers (from 1) of the lines that did not parse
    std::vector<std::string> recovered;  // names of the values kept, in file order
};

class TRegistryStore {
  public:
    // The store for one key path; nothing is touched on disk until used.
    explicit TRegistryStore(const std::string& keyPath);

    // The file that holds the key: $XDG_CONFIG_HOME (else ~/.config) followed by
    // the key path's components joined with "/" and ".reg".
    static std::filesystem::path FileForKey(const std::string& keyPath);

    const std::filesystem::path& File() const { return file_; }
    bool KeyExists() const;

    // The value of that name (compared without regard to case), or nothing.
    // Raises ERegistryException when the file is damaged, after Recover.
    std::optional<TRegValue> Read(const std::string& name) const;
    // Every value, in file order; raises as Read does.
    std::vector<TRegEntry> ReadAll() const { return Load(); }

    // Nothing when the file is sound or missing. A damaged file is moved aside
    // (never lost) and every value of it that parses is written back as the
    // store's new content; the report says what was kept. Raises
    // ERegistryException, telling where the file went, when nothing of it
    // parses (the key is then missing) or it cannot be moved aside.
    // With `sound`, the values of a sound file come back there too, so one
    // read serves both (left empty after a recovery: read them afresh).
    std::optional<TRegRecovery> Recover(std::vector<TRegEntry>* sound = nullptr) const;

    // Creates the key when missing and sets the value, keeping the others and
    // the spelling of an existing name. Raises ERegistryException on failure;
    // the file on disk then still holds the previous content.
    void Write(const std::string& name, const TRegValue& value) const;

    // Removes the temporary files of writes that never finished: those no
    // writer holds locked any more.
    void RemoveLeftoverTempFiles() const;

  private:
    std::string ReadText() const;
    TRegRecovery KeepAside(const TRegText& parsed) const;
    std::vector<TRegEntry> Load() const;
    void Save(const std::vector<TRegEntry>& entries) const;

    std::string keyPath_;
    std::filesystem::path file_;
};
