#include "config/F_Conf.h"

#include <gtest/gtest.h>

#include <fstream>

#include "FileSizeLimit.h"
#include "TempDir.h"
#include "config/RegistryText.h"

namespace fs = std::filesystem;

namespace {

class ConfTest : public ::testing::Test {
  protected:
    TScopedXdgHome home;
    fs::path File() const { return TRegistryStore::FileForKey(KeyBrivano); }
};

TEST_F(ConfTest, KeyLivesInReadableFileBelowXdgConfig) {
    EXPECT_EQ(File(), home.path() / "config" / "KORALDI" / "Brivano.reg");
    ScriviReg(KeyBrivano, "Anno", "2010");
    EXPECT_NE(ContenutoFile(File()).find("\"Anno\"=sz:\"2010\""), std::string::npos);
}

TEST_F(ConfTest, MissingKeyValueAndEmptyValueAllReadEmpty) {
    EXPECT_EQ(LeggiReg(KeyBrivano, "Conf"), "");
    EXPECT_FALSE(fs::exists(File())) << "a read must not create the key";
    ScriviReg(KeyBrivano, "Vuoto", "");
    EXPECT_EQ(LeggiReg(KeyBrivano, "Vuoto"), "");
    EXPECT_EQ(LeggiReg(KeyBrivano, "Assente"), "");
}

TEST_F(ConfTest, NamesMatchWithoutRegardToCaseAndKeepFirstSpelling) {
    ScriviReg(KeyBrivano, "ANNO", "2011");
    EXPECT_EQ(LeggiReg(KeyBrivano, "Anno"), "2011");
    ScriviReg(KeyBrivano, "anno", "2012");
    EXPECT_EQ(LeggiReg(KeyBrivano, "ANNO"), "2012");
    const std::string text = ContenutoFile(File());
    EXPECT_NE(text.find("\"ANNO\"="), std::string::npos);
    EXPECT_EQ(text.find("\"anno\"="), std::string::npos);
}

TEST_F(ConfTest, ValueOfAnotherTypeRaisesInvalidDataType) {
    TRegistryStore(KeyBrivano).Write("Anno", {TRegDataType::DWord, std::string("\xda\x07\0\0", 4)});
    try {
        LeggiReg(KeyBrivano, "Anno");
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Anno'");
    }
}

TEST_F(ConfTest, ExpandStringReturnedAsStoredAndTextEndsAtNul) {
    TRegistryStore store(KeyBrivano);
    store.Write("PathPrg", {TRegDataType::ExpandString, "$HOME/x/"});
    store.Write("Conf", {TRegDataType::String, std::string("OK\0junk", 7)});
    EXPECT_EQ(LeggiReg(KeyBrivano, "PathPrg"), "$HOME/x/");
    EXPECT_EQ(LeggiReg(KeyBrivano, "Conf"), "OK");
}

TEST_F(ConfTest, ValuesReadOnceReadAsEachReadAlone) {
    TRegistryStore store(KeyBrivano);
    store.Write("PathPrg", {TRegDataType::ExpandString, "$HOME/x/"});
    store.Write("Conf", {TRegDataType::String, std::string("OK\0junk", 7)});
    store.Write("Vuoto", {TRegDataType::String, ""});
    store.Write("Anno", {TRegDataType::DWord, std::string("\xda\x07\0\0", 4)});
    const TConfigurazioneLetta letta(KeyBrivano);
    for (const char* nome : {"PathPrg", "pathprg", "Conf", "Vuoto", "Assente"})
        EXPECT_EQ(letta.Leggi(nome), LeggiReg(KeyBrivano, nome)) << nome;
    EXPECT_THROW(letta.Leggi("Anno"), ERegistryException);
    store.Write("Conf", {TRegDataType::String, "cambiato"});
    EXPECT_EQ(letta.Leggi("Conf"), "OK") << "read once, not again";
}

TEST_F(ConfTest, TextsRoundTripWhateverTheyHold) {
    const std::string values[] = {"città \"è\" bella", "a\\b\\", "riga1\rriga2\n\t",
                                  std::string("\x01\x7f=;", 4), " spazi "};
    for (const std::string& v : values) {
        ScriviReg(KeyBrivano, "Valore", v);
        EXPECT_EQ(LeggiReg(KeyBrivano, "Valore"), v);
    }
}

TEST(RegistryText, KeyPathInTheHeaderNeverBecomesOrHidesAValue) {
    const std::vector<TRegEntry> entries = {{"Conf", {TRegDataType::String, "OK"}}};
    for (const std::string& keyPath :
         {std::string("Software\\Chiave\n\"Conf\"=sz:\"NO\""), std::string(600, 'k')}) {
        const TRegText read = ParseRegistryText(FormatRegistryText(keyPath, entries));
        EXPECT_TRUE(read.damagedLines.empty());
        ASSERT_EQ(read.entries.size(), 1u);
        EXPECT_EQ(read.entries[0].value.data, "OK");
    }
}

TEST_F(ConfTest, ReadsSeeChangesMadeBehindTheProgramsBack) {
    ScriviReg(KeyBrivano, "Anno", "2010");
    std::ofstream(File(), std::ios::trunc) << "\"Anno\"=sz:\"2031\"\n";
    EXPECT_EQ(LeggiReg(KeyBrivano, "Anno"), "2031");
}

TEST_F(ConfTest, DamagedStoreIsKeptAsideWithClearErrorAndItsGoodLinesKept) {
    fs::create_directories(File().parent_path());
    std::ofstream(File()) << "\"Conf\"=sz:\"OK\"\nthis is not a value\n";
    try {
        LeggiReg(KeyBrivano, "Conf");
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_NE(std::string(e.what()).find("danneggiata (riga 2)"), std::string::npos)
            << e.what();
    }
    bool keptAside = false;
    for (const auto& entry : fs::directory_iterator(File().parent_path()))
        if (entry.path().filename().string().starts_with("Brivano.reg.damaged-")) {
            keptAside =
                ContenutoFile(entry.path()).find("this is not a value") != std::string::npos;
        }
    EXPECT_TRUE(keptAside);
    // The next read goes on with what could be recovered.
    EXPECT_EQ(LeggiReg(KeyBrivano, "Conf"), "OK");
}

// A full disk mid-write (simulated with a file size limit, which holds for
// root too) raises and leaves the previous store untouched.
TEST_F(ConfTest, FailedWriteRaisesAndKeepsPreviousStore) {
    ScriviReg(KeyBrivano, "Conf", "OK");
    ScriviReg(KeyBrivano, "Anno", "2010");
    const std::string before = ContenutoFile(File());

    {
        TScopedFileSizeLimit diskFull(64);
        EXPECT_THROW(ScriviReg(KeyBrivano, "Anno", std::string(4096, 'x')), ERegistryException);
    }

    EXPECT_EQ(ContenutoFile(File()), before);
    EXPECT_EQ(LeggiReg(KeyBrivano, "Anno"), "2010");
    for (const auto& entry : fs::directory_iterator(File().parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
            << "temporary file left behind";
}

TEST_F(ConfTest, WriteIntoUnwritablePlaceRaises) {
    // A plain file where the key's folder should be.
    std::ofstream(home.path() / "config") << "x";
    EXPECT_THROW(ScriviReg(KeyBrivano, "Conf", "OK"), ERegistryException);
}

}  // namespace
