// Saves the documentation's pictures of merge fields, the preview and the test
// send: the mailing window with "{{Ragione_Sociale}}" and "{{Citta}}" in its
// texts and every contact picked, then "Anteprima" for the first of them, then
// "Invia prova a me" to an aiosmtpd sink on 127.0.0.1 with the box the
// program shows once the message went, over the window:
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata_messaggio
//       docs/campi-unione.png docs/anteprima.png docs/prova-a-me.png
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <utility>

#include "BoxesSilenziose.h"
#include "EsempioInvio.h"
#include "Schermata.h"
#include "SinkAiosmtpd.h"
#include "archive/F_DB.h"
#include "mailing_window/F_Agenda.h"
#include "mailing_window/F_Anteprima.h"
#include "mailing_window/SceltaDestinatari.h"
#include "ui/QtMessageBoxes.h"
#include "ui/TraduzioniQt.h"

namespace {

// Silent boxes, except the one info box wanted in a picture: that one is the
// program's real box, photographed from the screen together with the window
// under it, then answered.
class TBoxesFotografate : public TBoxesSilenziose {
  public:
    using TBoxesSilenziose::TBoxesSilenziose;

    void FotografaProssima(const QWidget& sotto, const QString& file) {
        sotto_ = &sotto;
        file_ = file;
    }
    bool Salvata() const { return salvata_; }

    void ShowInfo(const std::string& text) override {
        if (!sotto_) {
            TBoxesSilenziose::ShowInfo(text);
            return;
        }
        const QWidget* sotto = std::exchange(sotto_, nullptr);
        QTimer::singleShot(500, [this, sotto] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            const QRect zona = sotto->frameGeometry().united(box->frameGeometry());
            salvata_ = QGuiApplication::primaryScreen()
                           ->grabWindow(0, zona.x(), zona.y(), zona.width(), zona.height())
                           .save(file_);
            box->button(QMessageBox::Ok)->click();
        });
        TQtMessageBoxes().ShowInfo(text);
    }

  private:
    const QWidget* sotto_ = nullptr;
    QString file_;
    bool salvata_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    TSchermata schermata(argc, argv, argc == 4, "WINDOW.png PREVIEW.png TEST-SEND.png");
    if (!schermata.Pronta()) return 2;
    brivano::CaricaTraduzioniQt(schermata.App());  // as the program does: "Chiudi", not "Close"
    TTempDir root;
    TTempDir ricevuti;
    TSinkAiosmtpd sink(ricevuti.path());
    if (!sink.Ready()) {
        std::fprintf(stderr, "aiosmtpd did not start (Debian package python3-aiosmtpd)\n");
        return 1;
    }
    // Goes on past the run's questions (an empty field, an empty subject).
    TBoxesFotografate boxes(TConfirmAnswer::Yes);
    TFDB fdb{boxes};
    PreparaRubricaDiProva(fdb, root.str());
    ClientiDiEsempio(fdb);

    TFInvioMail finestra(fdb, boxes);
    finestra.show();
    MessaggioDiEsempio(finestra, "Offerta di primavera per {{Ragione_Sociale}}",
                       std::array{"Gentile {{Ragione_Sociale}},", "",
                                  "per i clienti di {{Citta}} la nostra offerta di primavera",
                                  "vale fino al 30 aprile: biglietti da visita, carta intestata",
                                  "e cataloghi con il 15% di sconto.", "", "Cordiali saluti,",
                                  "Tipografia Serena"});

    // The test send's end: its box was photographed and answered (above), and
    // the sink holds its one message.
    int risultato = 1;
    QObject::connect(&finestra, &TFInvioMail::InvioConcluso, &schermata.App(), [&] {
        const bool ricevuto = TSinkAiosmtpd::Messages(ricevuti.path()).size() == 1;
        if (!boxes.Salvata() || !ricevuto) risultato = 1;
        QApplication::quit();
    });
    auto provaAMe = [&] {
        finestra.DDHost->setText(QStringLiteral("127.0.0.1"));
        finestra.SetPortaInvio(sink.Port());
        boxes.FotografaProssima(finestra, schermata.File(3));
        finestra.ButtonProva->click();
    };
    QTimer::singleShot(500, [&] {
        const bool finestraSalvata = schermata.Salva(finestra, 1);
        TFAnteprima* anteprima = finestra.ButtonAnteprimaClick();
        if (!anteprima) {
            QApplication::quit();
            return;
        }
        anteprima->show();
        QTimer::singleShot(500, [&, anteprima, finestraSalvata] {
            const bool salvata = schermata.Salva(*anteprima, 2);
            anteprima->close();
            risultato = finestraSalvata && salvata ? 0 : 1;
            provaAMe();
        });
    });
    // A send that hangs ends the tool all the same.
    QTimer::singleShot(120000, [&] {
        risultato = 1;
        QApplication::quit();
    });
    QApplication::exec();
    return risultato;
}
