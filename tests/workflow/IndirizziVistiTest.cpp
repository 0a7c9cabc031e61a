// The addresses an import has met: keys of both kinds, growth, stable entries.
#include <gtest/gtest.h>

#include "workflow/IndirizziVisti.h"

using namespace brivano;

TEST(IndirizziVistiTest, KeysAreFoundHoweverTheAddressWasWritten) {
    struct Caso {
        std::string indirizzo, chiave;
    } casi[] = {{"a@b.it", "a@b.it"},
                {" A@B.IT\t", "a@b.it"},
                {"Èlla@Città.it", "èlla@città.it"},
                {"Alfa <Alfa@Esempio.IT.>", "alfa@esempio.it"},
                {"alfa@esempio.it.", "alfa@esempio.it"},
                {"", ""}};
    for (const Caso& c : casi) {
        std::string spazio = "vecchio";
        EXPECT_EQ(TIndirizziVisti::Chiave(c.indirizzo, spazio), c.chiave) << c.indirizzo;
    }
}

// Enough entries to grow the table several times; every entry keeps its
// place, and entries sharing a hash are told apart by the caller's check.
TEST(IndirizziVistiTest, EntriesSurviveGrowthAndSharedHashes) {
    constexpr int n = 5000;
    TIndirizziVisti visti;
    std::vector<TIndirizziVisti::TVoce*> voci;
    for (int i = 0; i < n; ++i) {
        const std::uint64_t hash = TIndirizziVisti::Hash("u" + std::to_string(i) + "@x.it");
        ASSERT_EQ(visti.Trova(hash, [](auto&) { return true; }), nullptr) << i;
        voci.push_back(visti.Aggiungi(hash, {i, i + 1, false}));
    }
    // Every entry of one hash (a collision, as far as the table knows).
    const std::uint64_t stesso = TIndirizziVisti::Hash("u7@x.it");
    visti.Aggiungi(stesso, {-7, 0, false});
    for (int i = 0; i < n; ++i) {
        const std::uint64_t hash = TIndirizziVisti::Hash("u" + std::to_string(i) + "@x.it");
        ASSERT_EQ(visti.Trova(hash, [](auto&) { return true; }), voci[i]) << i;
        EXPECT_EQ(voci[i]->Id, i);
    }
    const auto* secondo = visti.Trova(stesso, [](auto& v) { return v.Id < 0; });
    ASSERT_NE(secondo, nullptr);
    EXPECT_EQ(secondo->Id, -7);
    EXPECT_EQ(visti.Trova(TIndirizziVisti::Hash("u5000@x.it"), [](auto&) { return true; }),
              nullptr);
}
