// The "Storico Invii" window offscreen: the tables show what the journal
// holds, picking a run lists its entries, the exports write the chosen file.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "history_window/F_StoricoInvii.h"
#include "workflow/RegistroInvii.h"

using brivano::TRegistroInvii;
using brivano::TStatoVoce;

namespace {

QString Cella(const QTableWidget& griglia, int riga, int colonna) {
    const QTableWidgetItem* cella = griglia.item(riga, colonna);
    return cella ? cella->text() : QString();
}

class FStoricoInviiTest : public ::testing::Test {
  protected:
    FStoricoInviiTest() {
        TRegistroInvii registro(file);
        prima = registro.NuovaSpedizione({"127.0.0.1:25 a@x.it", "a@x.it", "Listino", {}},
                                         {"uno@x.it", "due@x.it"});
        registro.Segna(prima, 0, TStatoVoce::InCorso);
        registro.Segna(prima, 0, TStatoVoce::Inviato, 250, "OK");
        registro.Segna(prima, 1, TStatoVoce::InCorso);
        seconda =
            registro.NuovaSpedizione({"127.0.0.1:25 a@x.it", "a@x.it", "Auguri", {}}, {"tre@x.it"});
    }
    std::string Leggi(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream testo;
        testo << in.rdbuf();
        return testo.str();
    }

    TTempDir dir;
    std::filesystem::path file = TRegistroInvii::Percorso(dir.path());
    std::int64_t prima = 0, seconda = 0;
    TRecordingMessageBoxes boxes;
    TFStoricoInvii finestra{boxes, [this] { return std::optional(file); }};
};

TEST_F(FStoricoInviiTest, ShowsRunsAndTheEntriesOfThePickedOne) {
    finestra.show();
    QApplication::processEvents();
    EXPECT_EQ(finestra.windowTitle(), "Storico Invii");
    ASSERT_EQ(finestra.GrigliaSpedizioni->rowCount(), 2);
    EXPECT_EQ(Cella(*finestra.GrigliaSpedizioni, 0, 3), "Auguri");  // newest first, picked
    EXPECT_EQ(finestra.GrigliaVoci->rowCount(), 1);
    EXPECT_EQ(Cella(*finestra.GrigliaVoci, 0, 2), "da inviare");

    finestra.GrigliaSpedizioni->selectRow(1);
    ASSERT_EQ(finestra.GrigliaVoci->rowCount(), 2);
    EXPECT_EQ(Cella(*finestra.GrigliaVoci, 0, 1), "uno@x.it");
    EXPECT_EQ(Cella(*finestra.GrigliaVoci, 0, 3), "250");
    EXPECT_EQ(Cella(*finestra.GrigliaVoci, 1, 2), "in corso (incerto)");
    finestra.SetSpedizioneAttiva([this] { return prima; });
    finestra.MostraVoci();
    EXPECT_EQ(Cella(*finestra.GrigliaVoci, 1, 2), "in corso");

    // A run recorded while the window is open shows after "Aggiorna",
    // the picked run stays picked.
    {
        TRegistroInvii registro(file);
        registro.NuovaSpedizione({"h:25 a@x.it", "a@x.it", "Nuovo", {}}, {"q@x.it"});
    }
    finestra.ButtonAggiorna->click();
    ASSERT_EQ(finestra.GrigliaSpedizioni->rowCount(), 3);
    EXPECT_EQ(Cella(*finestra.GrigliaSpedizioni, 0, 3), "Nuovo");
    EXPECT_EQ(finestra.GrigliaVoci->rowCount(), 2);
    EXPECT_TRUE(boxes.Errors().empty());
}

TEST_F(FStoricoInviiTest, RiprendiAndReinviaGoToTheMailingWindowForThePickedRun) {
    {
        TRegistroInvii registro(file);
        registro.Segna(seconda, 0, TStatoVoce::InCorso);
        registro.Segna(seconda, 0, TStatoVoce::Fallito, 550, "no");
    }
    std::vector<std::pair<std::int64_t, bool>> chiesti;
    finestra.SetRiprendi([&](std::int64_t id, bool falliti) { chiesti.emplace_back(id, falliti); });
    finestra.show();
    QApplication::processEvents();
    // The newest, picked, has only a failed entry: nothing to resume.
    EXPECT_FALSE(finestra.ButtonRiprendi->isEnabled());
    ASSERT_TRUE(finestra.ButtonReinvia->isEnabled());
    finestra.ButtonReinvia->click();
    finestra.GrigliaSpedizioni->selectRow(1);
    ASSERT_TRUE(finestra.ButtonRiprendi->isEnabled());
    EXPECT_FALSE(finestra.ButtonReinvia->isEnabled());
    finestra.ButtonRiprendi->click();
    EXPECT_EQ(chiesti,
              (std::vector<std::pair<std::int64_t, bool>>{{seconda, true}, {prima, false}}));
    // The run the mailing window is sending is its own.
    finestra.SetSpedizioneAttiva([this] { return prima; });
    finestra.MostraVoci();
    EXPECT_FALSE(finestra.ButtonRiprendi->isEnabled());
}

TEST_F(FStoricoInviiTest, ExportsThePickedRunOrAllToTheChosenFile) {
    finestra.show();
    QApplication::processEvents();
    finestra.GrigliaSpedizioni->selectRow(1);
    QString proposto;
    const auto una = dir.path() / "una.csv";
    finestra.ScegliFile = [&](const QString& p) {
        proposto = p;
        return QString::fromStdString(una.string());
    };
    finestra.ButtonEsporta->click();
    EXPECT_EQ(proposto, "invio-1.csv");
    EXPECT_NE(Leggi(una).find("\r\n2;due@x.it;in corso;"), std::string::npos);

    const auto tutte = dir.path() / "tutte.csv";
    finestra.ScegliFile = [&](const QString& p) {
        proposto = p;
        return QString::fromStdString(tutte.string());
    };
    finestra.ButtonEsportaTutto->click();
    EXPECT_EQ(proposto, "storico-invii.csv");
    EXPECT_NE(Leggi(tutte).find("\r\n2;"), std::string::npos);
    EXPECT_EQ(boxes.Messages().size(), 2u);

    // Cancelled save box: nothing written, nothing said.
    finestra.ScegliFile = [](const QString&) { return QString(); };
    finestra.ButtonEsportaTutto->click();
    EXPECT_EQ(boxes.Messages().size(), 2u);
    // A folder that cannot take the file: an error, the window goes on.
    finestra.ScegliFile = [&](const QString&) {
        return QString::fromStdString((dir.path() / "manca" / "x.csv").string());
    };
    finestra.ButtonEsporta->click();
    EXPECT_EQ(boxes.Errors().size(), 1u);
}

TEST(FStoricoInvii, WithoutAJournalSaysSoAndExportsNothing) {
    TTempDir dir;
    TRecordingMessageBoxes boxes;
    const auto file = TRegistroInvii::Percorso(dir.path());
    TFStoricoInvii finestra{boxes, [&] { return std::optional(file); }};
    finestra.show();
    QApplication::processEvents();
    EXPECT_EQ(finestra.GrigliaSpedizioni->rowCount(), 0);
    EXPECT_EQ(finestra.LabelVoci->text(), "Nessun invio registrato.");
    EXPECT_FALSE(finestra.ButtonEsporta->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(boxes.Errors().empty());
}

}  // namespace
