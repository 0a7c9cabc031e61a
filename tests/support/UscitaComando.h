#pragma once
// What a shell command writes on its output, for tests that read their files
// back through another program; a command that fails fails the test, with
// `perche` said beside it.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

inline std::string UscitaComando(const std::string& comando, const std::string& perche = {}) {
    std::string uscita;
    FILE* condotta = ::popen(comando.c_str(), "r");
    char pezzo[4096];
    for (std::size_t n = 0; condotta && (n = std::fread(pezzo, 1, sizeof pezzo, condotta)) > 0;)
        uscita.append(pezzo, n);
    EXPECT_EQ(condotta ? ::pclose(condotta) : -1, 0) << comando << "\n" << perche;
    return uscita;
}
