#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <functional>
#include <memory>
#include <set>

#include "Modale.h"
#include "ui/Colors.h"
#include "ui/Fonts.h"
#include "ui/ImageList.h"
#include "ui/QtMessageBoxes.h"

namespace {

void PressKey(QWidget& w, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
}

// Runs `inspect` on the message box once it is up, inside its own loop.
std::unique_ptr<brivano_test::TQuandoModale> WhenBoxShows(
    std::function<void(QMessageBox&)> inspect) {
    return std::make_unique<brivano_test::TQuandoModale>(
        [inspect](QWidget& w) { inspect(static_cast<QMessageBox&>(w)); },
        [](QWidget& w) { return qobject_cast<QMessageBox*>(&w) != nullptr; });
}

TEST(ColourFromBgr, SplitsBlueGreenRed) {
    EXPECT_EQ(ColourFromBgr(16307130), QColor(186, 211, 248));  // the tool area's light blue
    EXPECT_EQ(ColourFromBgr(0x0000FF), QColor(Qt::red));
    EXPECT_EQ(ColourFromBgr(0xFF0000), QColor(Qt::blue));
}

TEST(FamigliaInstallata, FirstInstalledAloneElseTheWholeList) {
    const QStringList installate = QFontDatabase::families();
    ASSERT_FALSE(installate.isEmpty());
    const QString& presente = installate.first();
    const QString assente = QStringLiteral("Famiglia Che Non Esiste");
    const struct {
        QStringList preferite, attese;
    } casi[] = {
        {{assente, presente, installate.last()}, {presente}},
        {{presente.toUpper()}, {presente.toUpper()}},
        {{assente, QStringLiteral("Altra Assente")}, {assente, QStringLiteral("Altra Assente")}},
    };
    for (const auto& c : casi)
        EXPECT_EQ(FamigliaInstallata(c.preferite), c.attese) << c.preferite.join(',').toStdString();
}

TEST(ImageList2BIG, TenDistinctPicturesOfThirtyTwo) {
    std::set<QByteArray> seen;
    for (int i = 0; i < ImageList2BIGCount; ++i) {
        QPixmap pix = ImageList2BIGPixmap(i);
        ASSERT_EQ(pix.size(), QSize(32, 32)) << i;
        QImage img = pix.toImage();
        seen.insert(QByteArray(reinterpret_cast<const char*>(img.constBits()),
                               static_cast<int>(img.sizeInBytes())));
        EXPECT_FALSE(ImageList2BIG(i).isNull()) << i;
    }
    EXPECT_EQ(seen.size(), 10u);
    EXPECT_TRUE(ImageList2BIGPixmap(10).isNull());
    EXPECT_TRUE(ImageList2BIG(-1).isNull());
}

TEST(TQtMessageBoxes, MessageHasCaptionNoIconOneOkAndBreaksLinesAtCarriageReturn) {
    // A window in the corner asks; the box still goes to the middle of the screen.
    QWidget owner;
    owner.setGeometry(0, 0, 200, 150);
    owner.show();
    QApplication::setActiveWindow(&owner);
    TQtMessageBoxes boxes;
    bool seen = false;
    auto watch = WhenBoxShows([&](QMessageBox& box) {
        seen = true;
        EXPECT_EQ(box.windowTitle(), "Brivano");
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box.text(), " ERRORE \n\n     CHIUDERE <b>x</b>");
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        EXPECT_TRUE(box.isModal());
        EXPECT_EQ(box.parentWidget(), &owner);
        QRect screen = box.screen()->availableGeometry();
        EXPECT_LE((box.frameGeometry().center() - screen.center()).manhattanLength(), 2);
        box.button(QMessageBox::Ok)->click();
    });
    boxes.ShowInfo(" ERRORE \r\r     CHIUDERE <b>x</b>");
    EXPECT_TRUE(seen);
}

TEST(TQtMessageBoxes, ErrorHasStopIconAndFullStop) {
    TQtMessageBoxes boxes;
    QString text;
    auto watch = WhenBoxShows([&](QMessageBox& box) {
        text = box.text();
        EXPECT_EQ(box.windowTitle(), "Brivano");
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        box.button(QMessageBox::Ok)->click();
    });
    boxes.ShowError("Table does not exist");
    EXPECT_EQ(text, "Table does not exist.");
}

TEST(TQtMessageBoxes, ConfirmYesIsDefaultEscapeAnswersNo) {
    struct Case {
        const char* name;
        std::function<void(QMessageBox&)> act;
        TConfirmAnswer expected;
    };
    const Case cases[] = {
        {"Enter takes the default", [](QMessageBox& b) { PressKey(b, Qt::Key_Return); },
         TConfirmAnswer::Yes},
        {"Escape", [](QMessageBox& b) { PressKey(b, Qt::Key_Escape); }, TConfirmAnswer::No},
        {"close box", [](QMessageBox& b) { b.close(); }, TConfirmAnswer::No},
    };
    TQtMessageBoxes boxes;
    for (const Case& c : cases) {
        auto watch = WhenBoxShows([&](QMessageBox& box) {
            EXPECT_EQ(box.windowTitle(), "Salvataggio") << c.name;
            EXPECT_EQ(box.icon(), QMessageBox::Question) << c.name;
            ASSERT_EQ(box.buttons().size(), 2) << c.name;
            EXPECT_EQ(box.defaultButton()->text(), "&Yes") << c.name;
            EXPECT_EQ(box.escapeButton()->text(), "&No") << c.name;
            c.act(box);
        });
        EXPECT_EQ(boxes.Confirm("Salvataggio", "Salvare?"), c.expected) << c.name;
    }
}

}  // namespace
