#include "TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brivano-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    // Tests may have taken write permission away; give it back so removal works.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

namespace {
void Remember(const char* name, std::string& value, bool& had) {
    const char* v = std::getenv(name);
    had = v != nullptr;
    if (had) value = v;
}
void Restore(const char* name, const std::string& value, bool had) {
    if (had)
        setenv(name, value.c_str(), 1);
    else
        unsetenv(name);
}
}  // namespace

TScopedXdgHome::TScopedXdgHome() {
    Remember("XDG_CONFIG_HOME", oldConfig_, hadConfig_);
    Remember("XDG_DATA_HOME", oldData_, hadData_);
    setenv("XDG_CONFIG_HOME", (dir_.path() / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_.path() / "data").c_str(), 1);
}

TScopedXdgHome::~TScopedXdgHome() {
    Restore("XDG_CONFIG_HOME", oldConfig_, hadConfig_);
    Restore("XDG_DATA_HOME", oldData_, hadData_);
}
