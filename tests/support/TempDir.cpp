#include "TempDir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

std::string ContenutoFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream testo;
    testo << in.rdbuf();
    return testo.str();
}

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

TVariabileDiProva::TVariabileDiProva(const char* nome, const std::string& valore) : nome_(nome) {
    const char* v = std::getenv(nome);
    cera_ = v != nullptr;
    if (cera_) prima_ = v;
    setenv(nome, valore.c_str(), 1);
}

TVariabileDiProva::~TVariabileDiProva() {
    if (cera_)
        setenv(nome_, prima_.c_str(), 1);
    else
        unsetenv(nome_);
}
