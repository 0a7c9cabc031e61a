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
                {"", ""}};
    for (const Caso& c : casi) {
        std::string spazio = "vecchio";
        EXPECT_EQ(TIndirizziVisti::Chiave(c.indirizzo, spazio), c.chiave) << c.indirizzo;
    }
}

// Enough keys to grow the table several times; every entry keeps its place,
// and keys held only in `spazio` survive it.
TEST(IndirizziVistiTest, EntriesSurviveGrowth) {
    constexpr int n = 5000;
    std::vector<std::string> indirizzi;
    for (int i = 0; i < n; ++i)
        indirizzi.push_back((i % 2 ? "u" : " U") + std::to_string(i) + "@X.it");
    TIndirizziVisti visti;
    std::vector<TIndirizziVisti::TVoce*> voci;
    std::string spazio;
    for (int i = 0; i < n; ++i) {
        const std::string_view chiave = TIndirizziVisti::Chiave(indirizzi[i], spazio);
        ASSERT_EQ(visti.Trova(chiave), nullptr) << i;
        voci.push_back(visti.Aggiungi(chiave, spazio, {i, nullptr, false}));
    }
    for (int i = 0; i < n; ++i) {
        const std::string chiave = "u" + std::to_string(i) + "@x.it";
        ASSERT_EQ(visti.Trova(chiave), voci[i]) << chiave;
        EXPECT_EQ(voci[i]->Id, i);
    }
    EXPECT_EQ(visti.Trova("u5000@x.it"), nullptr);
    EXPECT_EQ(visti.Trova("U1@X.IT"), nullptr);  // lookups take keys, not addresses
}
