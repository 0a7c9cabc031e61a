// Takes the picture of the main window for the documentation: runs the
// program with its real windows and message boxes in a fresh configuration,
// presses OK on each first-start message, and once the working year shows,
// saves what the display server shows of the main window. Given a menu item
// (its text without the "&"), it chooses that item instead and saves the
// window it opens; given "Benvenuto", it saves the welcome after the first start.
//
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata docs/main-window.png
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata docs/cambio-anno.png "Cambio Anno"
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata docs/benvenuto.png Benvenuto
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <memory>

#include "Schermata.h"
#include "app/F_Main.h"
#include "app/Programma.h"
#include "archive/F_DB.h"
#include "ui/QtMessageBoxes.h"

namespace {

TFMain* MainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<TFMain*>(w)) return m;
    return nullptr;
}

QAction* VoceMenu(TFMain& main, const QString& testo) {
    for (QAction* menu : main.menuBar()->actions())
        if (menu->menu())
            for (QAction* voce : menu->menu()->actions())
                if (voce->text().remove('&') == testo) return voce;
    return nullptr;
}

bool Uniforme(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            if (image.pixel(x, y) != first) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    TSchermata schermata(argc, argv, argc == 2 || argc == 3, "OUTPUT.png [MENU ITEM]");
    if (!schermata.Pronta()) return 2;
    QApplication::setApplicationName(QStringLiteral("Brivano"));
    TTempDir programFolder;
    TQtMessageBoxes boxes;
    const QString voce = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    bool saved = false;
    bool scelta = false;  // the menu item has been chosen

    auto ticks = std::make_shared<int>(0);
    auto ready = std::make_shared<int>(0);
    QTimer poll;
    poll.setInterval(100);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (++*ticks > 300) {  // thirty seconds at most
            std::fprintf(stderr, "the main window never got ready\n");
            QApplication::exit(1);
            return;
        }
        QWidget* modale = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modale)) {
            std::fprintf(stderr, "OK: %s\n", qPrintable(box->text().replace('\n', ' ')));
            box->button(QMessageBox::Ok)->click();
            return;
        }
        if (modale && modale->objectName() == QStringLiteral("FBenvenuto")) {
            // The welcome after the first start: its own picture when asked
            // for ("Benvenuto"), else closed as the user may close it.
            if (voce != QStringLiteral("Benvenuto")) {
                static_cast<QDialog*>(modale)->reject();
                return;
            }
            if (++*ready < 5) return;
            saved = schermata.Salva(*modale, 1);
            static_cast<QDialog*>(modale)->reject();
            if (TFMain* main = MainWindow()) main->close();
            return;
        }
        if (scelta) {
            // The chosen item's window, once it has been up for half a second.
            auto* finestra = qobject_cast<QDialog*>(modale);
            if (!finestra || ++*ready < 10) return;
            saved = schermata.Salva(*finestra, 1);
            finestra->reject();
            if (TFMain* main = MainWindow()) main->close();
            return;
        }
        TFMain* main = MainWindow();
        if (!main || main->StaticText1->text() != QStringLiteral("2010") ||
            main->Panels[0]->text().isEmpty()) {
            *ready = 0;
            return;
        }
        if (++*ready < 5) return;  // half a second for the last box to leave the screen
        if (!voce.isEmpty()) {
            QAction* azione = VoceMenu(*main, voce);
            if (!azione) {
                std::fprintf(stderr, "no menu item \"%s\"\n", qPrintable(voce));
                QApplication::exit(1);
                return;
            }
            scelta = true;
            *ready = 0;
            // Queued: the item's window runs its own loop, in which this timer goes on.
            QTimer::singleShot(0, azione, &QAction::trigger);
            return;
        }
        // What the display server holds in the window's place; until the window
        // has been painted there that is one flat colour, so try again.
        const QRect place = main->geometry();
        const QImage shot = main->screen()
                                ->grabWindow(0, place.x(), place.y(), place.width(), place.height())
                                .toImage();
        if (shot.isNull() || Uniforme(shot)) return;
        saved = shot.save(schermata.File(1), "PNG");
        main->close();
    });
    poll.start();

    const int result = brivano::Programma(boxes, programFolder.str(), true, [](TMessageBoxes& b) {
        return std::make_unique<TFDB>(b);
    });
    if (!saved) std::fprintf(stderr, "no picture saved\n");
    return saved ? result : 1;
}
