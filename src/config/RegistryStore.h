#pragma once
// A file-backed store of named values under a key path, in the manner of a
// per-user registry key. Each key path ("KORALDI\Brivano\") is one plain text
// file below the user's XDG configuration folder (KORALDI/Brivano.reg), so it
// can be read and mended with any editor.
//
// Nothing is cached: every read parses the file afresh. Every write replaces
// the file atomically (temporary file, flush, rename), so a crash or a full
// disk mid-write leaves the previous store intact.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class ERegistryException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class TRegDataType { String, ExpandString, DWord, Binary };

struct TRegValue {
    TRegDataType type = TRegDataType::String;
    std::string data;  // texts as stored (may hold NUL); a DWord as 4 little-endian bytes
    bool operator==(const TRegValue&) const = default;
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
    // Raises ERegistryException when the file is damaged; the damaged file is
    // first moved aside (its name is in the message) so it is never lost.
    std::optional<TRegValue> Read(const std::string& name) const;

    // Creates the key when missing and sets the value, keeping the others and
    // the spelling of an existing name. Raises ERegistryException on failure;
    // the file on disk then still holds the previous content.
    void Write(const std::string& name, const TRegValue& value) const;

  private:
    struct Entry {
        std::string name;
        TRegValue value;
    };
    std::vector<Entry> Load() const;
    void Save(const std::vector<Entry>& entries) const;

    std::string keyPath_;
    std::filesystem::path file_;
};
