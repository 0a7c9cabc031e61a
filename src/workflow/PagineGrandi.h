#pragma once
// Large buffers filled once from start to end (a file's bytes, its rows) are
// backed by huge pages where the kernel offers them: filling them then takes
// a handful of page faults instead of one per small page, which on some
// machines costs more than the parsing itself.

#include <cstddef>

namespace brivano {

// A hint for the whole small pages within [inizio, inizio + byte); ignored
// where huge pages are off.
void ChiediPagineGrandi(const void* inizio, std::size_t byte);

}  // namespace brivano
