// The toolkit's texts in Italian for the program's own questions; the fixed
// English confirmation stays as it is.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "Modale.h"
#include "ui/QtMessageBoxes.h"
#include "ui/TraduzioniQt.h"

namespace {

std::unique_ptr<brivano_test::TQuandoModale> WhenBoxShows(
    std::function<void(QMessageBox&)> inspect) {
    return std::make_unique<brivano_test::TQuandoModale>(
        [inspect](QWidget& w) { inspect(static_cast<QMessageBox&>(w)); },
        [](QWidget& w) { return qobject_cast<QMessageBox*>(&w) != nullptr; });
}

class TraduzioniTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(brivano::CaricaTraduzioniQt(*qApp)); }
};

TEST_F(TraduzioniTest, ProgramsOwnQuestionAnswersInItalian) {
    struct Case {
        const char* name;
        std::function<void(QMessageBox&)> act;
        TConfirmAnswer expected;
    };
    const Case cases[] = {
        {"Sì", [](QMessageBox& b) { b.button(QMessageBox::Yes)->click(); }, TConfirmAnswer::Yes},
        {"Enter takes the default",
         [](QMessageBox& b) {
             QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
             QApplication::sendEvent(&b, &enter);
         },
         TConfirmAnswer::Yes},
        {"Escape",
         [](QMessageBox& b) {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(&b, &escape);
         },
         TConfirmAnswer::No},
        {"No", [](QMessageBox& b) { b.button(QMessageBox::No)->click(); }, TConfirmAnswer::No},
    };
    TQtMessageBoxes boxes;
    for (const Case& c : cases) {
        bool seen = false;
        auto watch = WhenBoxShows([&](QMessageBox& box) {
            seen = true;
            EXPECT_EQ(box.windowTitle(), "Brivano");
            EXPECT_EQ(box.icon(), QMessageBox::Question);
            ASSERT_EQ(box.buttons().size(), 2);
            EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), QString::fromUtf8("Sì"));
            EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "No");
            c.act(box);
        });
        EXPECT_EQ(boxes.Ask("Salvare?"), c.expected) << c.name;
        EXPECT_TRUE(seen) << c.name;
    }
}

TEST_F(TraduzioniTest, FixedConfirmationKeepsItsEnglishButtons) {
    TQtMessageBoxes boxes;
    QStringList texts;
    auto watch = WhenBoxShows([&](QMessageBox& box) {
        for (QAbstractButton* b : box.buttons()) texts << b->text();
        box.escapeButton()->click();
    });
    EXPECT_EQ(boxes.Confirm("Confirm", "Confermi l'operazione?"), TConfirmAnswer::No);
    texts.sort();
    EXPECT_EQ(texts, QStringList({"&No", "&Yes"}));
}

}  // namespace
