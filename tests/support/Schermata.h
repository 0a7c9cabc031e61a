#pragma once
// What the programs that take the documentation's pictures share: their start
// (the arguments checked before any display is looked for, then the
// application in a private configuration) and the grab of windows into the
// PNG files their arguments name.

#include <QApplication>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <initializer_list>
#include <optional>

#include "TempDir.h"

class TSchermata {
  public:
    // Without `argomentiGiusti` it prints the usage (`uso`: what follows the
    // program's name) and is not Pronta.
    TSchermata(int& argc, char** argv, bool argomentiGiusti, const char* uso) : argv_(argv) {
        if (!argomentiGiusti) {
            std::fprintf(stderr, "usage: %s %s\n", argv[0], uso);
            return;
        }
        app_.emplace(argc, argv);
        home_.emplace();  // never the user's own configuration
    }

    bool Pronta() const { return app_.has_value(); }
    QApplication& App() { return *app_; }
    QString File(int argomento) const { return QString::fromLocal8Bit(argv_[argomento]); }

    // Saves what `finestra` shows now into the file the argument names.
    bool Salva(QWidget& finestra, int argomento) const {
        return finestra.grab().save(File(argomento), "PNG");
    }

    // Runs the loop and, half a second in (the windows laid out and painted),
    // saves the windows into the files of the first arguments, in order, and
    // ends: 0 when every picture was saved.
    // exit, not quit: quit first asks the windows to close, and one that keeps
    // unsaved changes open would refuse and leave the program running.
    int SalvaDopoLaPosa(std::initializer_list<QWidget*> finestre) {
        QTimer::singleShot(500, [&] {
            bool salvate = true;
            int argomento = 1;
            for (QWidget* finestra : finestre) salvate = Salva(*finestra, argomento++) && salvate;
            QApplication::exit(salvate ? 0 : 1);
        });
        return QApplication::exec();
    }

  private:
    char** argv_;
    std::optional<QApplication> app_;
    std::optional<TScopedXdgHome> home_;
};
