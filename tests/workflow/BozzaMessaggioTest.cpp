// The mailing window's draft on disk: every text comes back as written, and a
// damaged file is put aside whole and told about, never read half.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "workflow/BozzaMessaggio.h"

using namespace brivano;

namespace {

std::string Contenuto(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Scrivi(const std::filesystem::path& file, const std::string& testo) {
    std::ofstream(file, std::ios::binary) << testo;
}

std::vector<std::filesystem::path> FileIn(const std::filesystem::path& cartella) {
    std::vector<std::filesystem::path> file;
    for (const auto& f : std::filesystem::directory_iterator(cartella)) file.push_back(f.path());
    return file;
}

}  // namespace

TEST(BozzaMessaggioTest, EveryTextComesBackAndAnEmptyDraftLeavesNoFile) {
    TTempDir dir;
    const auto file = PercorsoBozza(dir.path());
    TBozzaMessaggio bozza;
    bozza.Voci = {{"Anna <anna@example.it>",
                   {{"Citta", "Forlì"}, {"Ragione_Sociale", "\"Il\tBullone\"\r\nSrl \\"}}},
                  {"anna@example.it", {}},
                  {"a@example.it; b@example.it", {{"Cap", ""}}}};
    bozza.Oggetto = "Novità {{Città}}";
    bozza.Righe[0] = "Gentile {{Ragione_Sociale|cliente}},";
    bozza.Righe[7] = "€ e à";
    bozza.Allegati = {{"/srv/listino 2026.pdf", "condizioni.pdf"},
                      "fatture/{{Ragione_Sociale}}.pdf",
                      "/home/mario"};
    SalvaBozza(file, bozza);
    TBozzaLetta letta = CaricaBozza(file);
    EXPECT_EQ(letta.Errore, "");
    EXPECT_EQ(letta.Bozza, bozza);
    EXPECT_EQ(FileIn(dir.path()), std::vector{file}) << "no temporary file stays";

    SalvaBozza(file, {});
    EXPECT_FALSE(std::filesystem::exists(file));
    letta = CaricaBozza(file);
    EXPECT_TRUE(letta.Bozza.Vuota());
    EXPECT_EQ(letta.Errore, "");
}

TEST(BozzaMessaggioTest, ADamagedFileIsPutAsideWholeAndTheWindowStartsEmpty) {
    const auto bozza = [](const std::string& versione, const std::string& righe,
                          const std::string& voci) {
        return R"({"versione":)" + versione + R"(,"oggetto":"x","righe":)" + righe + R"(,"voci":)" +
               voci + "}";
    };
    const std::string otto = R"(["","","","","","","",""])";
    for (const std::string& guasta : std::vector<std::string>{
             bozza("1", otto, "[]").substr(0, 30), std::string("\0\0\0", 3), "[1,2]",
             bozza("2", otto, "[]"), bozza("1", R"(["","",""])", "[]"),
             bozza("1", otto, R"([{"voce":7,"campi":{}}])"),
             bozza("1", otto, R"([{"voce":"a@b.it","campi":{"Citta":1}}])"),
             bozza("1", otto, R"([],"allegati":{"comuni":["a.pdf"],"modello":7,"cartella":""})")}) {
        SCOPED_TRACE(guasta);
        TTempDir dir;
        const auto file = PercorsoBozza(dir.path());
        Scrivi(file, guasta);
        TRecordingMessageBoxes boxes;
        TBozzaSalvata salvata(boxes, [&] { return file; });
        EXPECT_EQ(salvata.Riprendi(), std::nullopt);
        ASSERT_EQ(boxes.Errors().size(), 1u);
        EXPECT_NE(boxes.Errors()[0].find("danneggiata"), std::string::npos);
        const auto file1 = FileIn(dir.path());
        ASSERT_EQ(file1.size(), 1u);
        EXPECT_NE(boxes.Errors()[0].find(file1[0].string()), std::string::npos);
        EXPECT_EQ(Contenuto(file1[0]), guasta) << "nothing of it is lost";

        // The next draft goes to a new file; the damaged one stays aside.
        TBozzaMessaggio nuova;
        nuova.Oggetto = "Nuova";
        salvata.Salva(nuova);
        EXPECT_EQ(CaricaBozza(file).Bozza, nuova);
        EXPECT_EQ(Contenuto(file1[0]), guasta);
        EXPECT_EQ(boxes.Errors().size(), 1u);
    }
}

TEST(BozzaMessaggioTest, NothingIsWrittenBeforeTheSavedDraftWasRead) {
    TTempDir dir;
    const auto file = PercorsoBozza(dir.path());
    TBozzaMessaggio bozza;
    bozza.Oggetto = "Prima";
    SalvaBozza(file, bozza);
    TRecordingMessageBoxes boxes;
    TBozzaSalvata salvata(boxes, [&] { return file; });
    salvata.Salva({});
    EXPECT_EQ(CaricaBozza(file).Bozza, bozza);
    EXPECT_EQ(salvata.Riprendi(), bozza);
    EXPECT_EQ(salvata.Riprendi(), std::nullopt) << "read once";
}
