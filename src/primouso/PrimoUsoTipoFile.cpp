// Telling an attached file's type by its content.
#include <magic.h>

#include "primouso/PrimoUso.h"

namespace {
brivano::TLibreriaAlPrimoUso kTipoFile{BRIVANO_FILE_TIPO_FILE};
}  // namespace

extern "C" {

magic_t magic_open(int a0) {
    return BRIVANO_AL_PRIMO_USO(kTipoFile, magic_open)(a0);
}

void magic_close(magic_t a0) {
    BRIVANO_AL_PRIMO_USO(kTipoFile, magic_close)(a0);
}

int magic_load(magic_t a0, const char* a1) {
    return BRIVANO_AL_PRIMO_USO(kTipoFile, magic_load)(a0, a1);
}

const char* magic_buffer(magic_t a0, const void* a1, size_t a2) {
    return BRIVANO_AL_PRIMO_USO(kTipoFile, magic_buffer)(a0, a1, a2);
}

}  // extern "C"
