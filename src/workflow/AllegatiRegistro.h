#pragma once
// The attachments of each run, in the send journal's file beside its runs:
// what the user chose (common files, the pattern, the folder a relative path
// is taken from) and, per entry, each file's path, name, size and SHA-256, so
// a resume or a resend sends the same files or says which changed.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "basedati/BaseDati.h"
#include "workflow/Allegati.h"

namespace brivano {

class TAllegatiRegistrati {
  public:
    // `registro`: the journal's file, already opened (and checked) as one.
    explicit TAllegatiRegistrati(const std::filesystem::path& registro);

    // Both in one transaction; `file` by entry, at `posizioni` of the run.
    void Salva(std::int64_t spedizione, const TSceltaAllegati& scelta,
               const std::vector<std::size_t>& posizioni,
               const std::vector<std::vector<TFileAllegato>>& file);
    // Nothing for a run without files.
    std::optional<TSceltaAllegati> Scelta(std::int64_t spedizione) const;
    // The files the entry was checked with; empty when none were kept.
    std::vector<TFileAllegato> File(std::int64_t spedizione, std::size_t posizione) const;

  private:
    mutable TBaseDati db_;
};

}  // namespace brivano
