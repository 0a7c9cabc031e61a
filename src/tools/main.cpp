// brivano-rubrica: contacts and the do-not-mail list from the command line.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "tools/RubricaCli.h"

int main(int argc, char** argv) {
    // The executable's own folder, as the program takes its own for a first start.
    std::error_code ec;
    const std::filesystem::path eseguibile = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string cartella = ec ? std::string("./") : eseguibile.parent_path().string() + "/";
    return brivano::EseguiRubrica(std::vector<std::string>(argv + 1, argv + argc), cartella,
                                  std::cin, std::cout, std::cerr);
}
