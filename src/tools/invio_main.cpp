// brivano-invio: send runs from the command line.

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/InvioCli.h"

int main(int argc, char** argv) {
    return brivano::EseguiInvioCli(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                   std::cerr, ::isatty(STDERR_FILENO) == 1);
}
