// The mailing window stays open on Escape and opens where it was left.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>

#include "ArchivioContatti.h"
#include "mailing_window/F_Agenda.h"

namespace {

using PostoFinestra = ArchivioContatti;

TEST_F(PostoFinestra, EscapeLeavesTheWindowOpenTheCloseBoxStillCloses) {
    TFInvioMail w(fdb, boxes);
    w.show();
    for (QWidget* target : {static_cast<QWidget*>(w.DDHost), static_cast<QWidget*>(&w)}) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(target, &escape);
        EXPECT_TRUE(w.isVisible()) << target->objectName().toStdString();
    }
    w.close();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(PostoFinestra, OpensCentredOnTheDesktopThenWhereItWasLeft) {
    // An owner in the corner: the window still opens in the middle of the screen.
    QWidget owner;
    owner.setGeometry(0, 0, 200, 150);
    owner.show();
    TFInvioMail w(fdb, boxes, &owner);
    w.show();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((w.frameGeometry().center() - screen.center()).manhattanLength(), 2);

    const QPoint first = w.pos();
    for (int i = 0; i < 3; ++i) {
        w.hide();
        w.show();
        EXPECT_EQ(w.pos(), first) << "showing " << i + 2;
    }
    w.move(first + QPoint(30, 40));
    for (int i = 0; i < 3; ++i) {
        w.hide();
        w.show();
        EXPECT_EQ(w.pos(), first + QPoint(30, 40)) << "showing " << i + 2;
    }
}

}  // namespace
