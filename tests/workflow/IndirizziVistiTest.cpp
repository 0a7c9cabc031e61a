// The addresses an import has met: keys of both kinds, growth, the move to a file.
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

// Enough entries to grow the table several times, held in memory or mostly
// moved to the file; every entry keeps its values, one found on the file
// comes back into memory, and entries sharing a hash are told apart by the
// caller's check.
TEST(IndirizziVistiTest, EntriesSurviveGrowthSpillingAndSharedHashes) {
    constexpr int n = 5000;
    auto hashDi = [](int i) { return TIndirizziVisti::Hash("u" + std::to_string(i) + "@x.it"); };
    for (const std::size_t inMemoria : {std::size_t{1} << 20, std::size_t{100}}) {
        SCOPED_TRACE(inMemoria);
        TIndirizziVisti visti(inMemoria);
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(visti.Trova(hashDi(i), [](auto&) { return true; }), nullptr) << i;
            visti.Aggiungi(hashDi(i), {i, i + 1, i % 2 == 0});
            visti.Riduci();
        }
        // Another entry of one hash (a collision, as far as the table knows).
        const std::uint64_t stesso = hashDi(7);
        visti.Aggiungi(stesso, {-7, 0, false});
        visti.Riduci();
        for (int i = 0; i < n; ++i) {
            for (int volta = 0; volta < 2; ++volta) {
                const auto* voce = visti.Trova(hashDi(i), [](auto& v) { return v.Id >= 0; });
                ASSERT_NE(voce, nullptr) << i;
                EXPECT_EQ(voce->Id, i);
                EXPECT_EQ(voce->Riga, i + 1);
                EXPECT_EQ(voce->InAttesa, i % 2 == 0);
            }
            if (i % 1000 == 0) visti.Riduci();
        }
        const auto* secondo = visti.Trova(stesso, [](auto& v) { return v.Id < 0; });
        ASSERT_NE(secondo, nullptr);
        EXPECT_EQ(secondo->Id, -7);
        EXPECT_EQ(visti.Trova(stesso, [](auto& v) { return v.Id < -7; }), nullptr);
        EXPECT_EQ(visti.Trova(hashDi(n), [](auto&) { return true; }), nullptr);
    }
}
