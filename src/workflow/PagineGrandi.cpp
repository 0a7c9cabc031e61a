#include "workflow/PagineGrandi.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace brivano {

void ChiediPagineGrandi(const void* inizio, std::size_t byte) {
    const long pagina = sysconf(_SC_PAGESIZE);
    if (pagina <= 0 || byte == 0) return;
    const auto maschera = ~(static_cast<std::uintptr_t>(pagina) - 1);
    const auto primo = reinterpret_cast<std::uintptr_t>(inizio);
    const std::uintptr_t da = (primo + static_cast<std::uintptr_t>(pagina) - 1) & maschera;
    const std::uintptr_t a = (primo + byte) & maschera;
    // NOLINTNEXTLINE(performance-no-int-to-ptr): madvise takes the address as a pointer
    if (a > da) madvise(reinterpret_cast<void*>(da), a - da, MADV_HUGEPAGE);
}

}  // namespace brivano
