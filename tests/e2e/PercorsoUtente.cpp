// One user's way through the real program on a real display: every window is
// the program's own, the message boxes are answered through the program's
// message-box interface. Run twice on one profile, as two processes, so the
// quit and the restart are real:
//
//   brivano_percorso_utente primo PORTA CONTATTI.csv
//       first start, welcome (archive of the current year, account on
//       127.0.0.1:PORTA with two messages a minute, import of the file),
//       the contacts of one city picked, the run started, stopped while the
//       pace holds the third message, quit
//   brivano_percorso_utente riprendi
//       restart, "Storico Invii", "Riprendi", the run to its end, the
//       history checked, quit
//
// The profile is the environment's (HOME, XDG_*). Each step waits for its
// window and acts once; a step not reached in time, an unexpected question or
// error box, or a check that fails ends the process with 1 at once (a window
// loop left stuck could not be unwound).
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "account_window/F_ImpostazioniInvio.h"
#include "addressbook/F_ImportaContatti.h"
#include "app/F_Main.h"
#include "app/Programma.h"
#include "archive/F_DB.h"
#include "dialogs/MessageBoxes.h"
#include "history_window/F_StoricoInvii.h"
#include "mailing_window/F_Agenda.h"
#include "mailing_window/SceltaDestinatari.h"
#include "ui/CasellaFiltro.h"

namespace {

[[noreturn]] void Fallisci(const std::string& perche) {
    std::fprintf(stderr, "PERCORSO FALLITO: %s\n", perche.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

void Verifica(bool condizione, const std::string& cosa) {
    if (!condizione) Fallisci(cosa);
}

// The user's answers: each question the way expects, by a piece of its text;
// any other question, and any error, ends the way.
class TRisposte : public TMessageBoxes {
  public:
    explicit TRisposte(std::vector<std::pair<std::string, TConfirmAnswer>> attese)
        : attese_(std::move(attese)) {}

    void ShowInfo(const std::string& text) override {
        std::fprintf(stderr, "messaggio: %s\n", text.c_str());
        messaggi.push_back(text);
    }
    void ShowError(const std::string& text) override {
        Fallisci("errore mostrato: " + ErrorDisplayText(text));
    }
    TConfirmAnswer Confirm(const std::string& caption, const std::string& text) override {
        for (const auto& [pezzo, risposta] : attese_)
            if (text.find(pezzo) != std::string::npos) {
                std::fprintf(stderr, "domanda: %s -> %s\n", text.c_str(),
                             risposta == TConfirmAnswer::Yes ? "Sì" : "No");
                domande.push_back(text);
                return risposta;
            }
        Fallisci("domanda inattesa (" + caption + "): " + text);
    }
    TConfirmAnswer Choose(const std::string& text, const std::string&, const std::string&,
                          bool) override {
        return Confirm("Brivano", text);
    }

    bool HaDetto(const std::string& pezzo) const {
        for (const auto& m : messaggi)
            if (m.find(pezzo) != std::string::npos) return true;
        return false;
    }
    bool HaChiesto(const std::string& pezzo) const {
        for (const auto& d : domande)
            if (d.find(pezzo) != std::string::npos) return true;
        return false;
    }

    std::vector<std::string> messaggi, domande;

  private:
    std::vector<std::pair<std::string, TConfirmAnswer>> attese_;
};

// A step: tried at every tick until it acts (returns true).
struct TPasso {
    const char* nome;
    std::function<bool()> prova;
};

template <class T>
T* Modale(const char* nome) {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible() || w->objectName() != QLatin1String(nome)) return nullptr;
    return qobject_cast<T*>(w);
}

// The mailing window, open beside the main window (or over the history for
// a resume), with no other window over it.
TFInvioMail* Invio() {
    QWidget* sopra = QApplication::activeModalWidget();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<TFInvioMail*>(w); m && m->isVisible() && (!sopra || sopra == m))
            return m;
    return nullptr;
}

TFMain* FinestraPrincipale() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<TFMain*>(w)) return m;
    return nullptr;
}

// The main window with the working year shown and nothing over it.
TFMain* PrincipaleLibera(const QString& anno) {
    TFMain* main = FinestraPrincipale();
    if (!main || QApplication::activeModalWidget() || main->StaticText1->text() != anno)
        return nullptr;
    return main;
}

// Clicked from the event loop: a click that opens a window runs that
// window's loop, in which the steps go on.
void Clicca(QAbstractButton* pulsante) {
    Verifica(pulsante->isVisible() && pulsante->isEnabled(),
             "pulsante non disponibile: " + pulsante->text().toStdString());
    QMetaObject::invokeMethod(pulsante, &QAbstractButton::click, Qt::QueuedConnection);
}

void Scegli(QAction* voce) {
    QMetaObject::invokeMethod(voce, &QAction::trigger, Qt::QueuedConnection);
}

// A step that waits until `finestra` gives its window (there and ready), then
// acts on it once: checks what must hold, answers, presses.
template <class Finestra, class Azione>
TPasso Quando(const char* nome, Finestra finestra, Azione azione) {
    return {nome, [=] {
                auto* trovata = finestra();
                if (!trovata) return false;
                azione(*trovata);
                return true;
            }};
}

// The main window free with the working year shown: a menu item chosen.
TPasso DalMenu(const char* nome, const QString& anno, QAction* TFMain::*voce) {
    return Quando(
        nome, [anno] { return PrincipaleLibera(anno); },
        [voce](TFMain& main) { Scegli(main.*voce); });
}

// The welcome once its step `fatto` is done (its button off): the button
// `prossimo` pressed after `verifica`.
TPasso NelBenvenuto(
    const char* nome, const char* fatto, const char* prossimo,
    const std::function<void()>& verifica = [] {}) {
    return Quando(
        nome,
        [fatto]() -> QDialog* {
            auto* benvenuto = Modale<QDialog>("FBenvenuto");
            if (!benvenuto || benvenuto->findChild<QPushButton*>(QLatin1String(fatto))->isEnabled())
                return nullptr;
            return benvenuto;
        },
        [prossimo, verifica](QDialog& benvenuto) {
            verifica();
            Clicca(benvenuto.findChild<QPushButton*>(QLatin1String(prossimo)));
        });
}

QString Cella(const QTableWidget& griglia, int riga, const QString& colonna) {
    for (int c = 0; c < griglia.columnCount(); ++c)
        if (griglia.horizontalHeaderItem(c) && griglia.horizontalHeaderItem(c)->text() == colonna)
            return griglia.item(riga, c) ? griglia.item(riga, c)->text() : QString();
    Fallisci("colonna assente: " + colonna.toStdString());
}

constexpr const char* Citta = "Gubbio";
constexpr const char* Password = "Segreta-2027";

std::vector<TPasso> PrimoAvvio(TRisposte& risposte, const QString& anno, int porta,
                               const QString& contatti) {
    return {
        Quando(
            "il benvenuto dopo il primo avvio", [] { return Modale<QDialog>("FBenvenuto"); },
            [anno, &risposte](QDialog& benvenuto) {
                Verifica(risposte.messaggi.size() == 6, "i sei messaggi del primo avvio");
                auto* archivio = benvenuto.findChild<QPushButton*>(QStringLiteral("Passo1"));
                Verifica(
                    archivio->text() ==
                        QStringLiteral("Crea l'archivio dell'anno %1 e passa a quello").arg(anno),
                    "l'offerta dell'archivio dell'anno corrente");
                Clicca(archivio);
            }),
        NelBenvenuto("l'archivio dell'anno corrente", "Passo1", "Passo2",
                     [anno] {
                         Verifica(FinestraPrincipale()->StaticText1->text() == anno,
                                  "l'anno mostrato");
                     }),
        Quando(
            "l'account di invio", [] { return Modale<TFImpostazioniInvio>("FImpostazioniInvio"); },
            [porta](TFImpostazioniInvio& a) {
                a.ComboSicurezza->setCurrentText(QStringLiteral("Nessuna"));
                a.DDHost->setText(QStringLiteral("127.0.0.1"));
                a.DDPorta->setValue(porta);
                a.DDMittente->setText(QStringLiteral("ufficio@esempio.it"));
                a.DDMittenteNome->setText(QStringLiteral("Tipografia Esempio"));
                a.DDPassword->setText(QString::fromLatin1(Password));
                a.DDLimiteMinuto->setValue(2);
                Clicca(a.ButtonSalva);
            }),
        NelBenvenuto("l'importazione", "Passo2", "Passo3",
                     [&risposte] {
                         // The restart needs it: a password kept only in memory would be gone.
                         Verifica(risposte.HaDetto("la password è nel portachiavi"),
                                  "la password nel portachiavi");
                     }),
        Quando(
            "la scelta del file", [] { return Modale<TFImportaContatti>("FImportaContatti"); },
            [](TFImportaContatti& i) { Clicca(i.ButtonScegli); }),
        {"il file dei contatti",
         [=] {
             // Typed whole in the file name box, then "Apri", as a user may.
             auto* dialogo = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
             if (!dialogo || !dialogo->isVisible()) return false;
             auto* nome = dialogo->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
             Verifica(nome != nullptr, "la casella del nome del file");
             nome->setText(contatti);
             return true;
         }},
        {"l'apertura del file",
         [] {
             auto* dialogo = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
             if (!dialogo) return false;
             auto* pulsanti = dialogo->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
             Verifica(pulsanti != nullptr, "i pulsanti della scelta del file");
             QPushButton* apri = pulsanti->button(QDialogButtonBox::Open);
             if (!apri || !apri->isEnabled()) return false;
             Clicca(apri);
             return true;
         }},
        {"l'anteprima dell'importazione",
         [] {
             auto* i = Modale<TFImportaContatti>("FImportaContatti");
             if (!i || !i->ButtonImporta->isEnabled()) return false;
             Clicca(i->ButtonImporta);
             return true;
         }},
        NelBenvenuto("la chiusura del benvenuto", "Passo3", "ButtonChiudi"),
        DalMenu("la finestra Invio Mail", anno, &TFMain::InvioMail),
        {"la ricerca per città",
         [] {
             auto* m = Invio();
             if (!m || m->DDHost->text().isEmpty()) return false;
             // The account and its password, filled from the settings.
             Verifica(m->DDHost->text() == QStringLiteral("127.0.0.1"), "l'host dall'account");
             Verifica(m->DDIndirizzoPSW->text() == QLatin1String(Password),
                      "la password dal portachiavi");
             m->Scelta->Filtro->setText(QString::fromLatin1(Citta).toLower());
             return true;
         }},
        {"i contatti della città",
         [] {
             auto* m = Invio();
             if (!m || m->DBGrid1->model()->rowCount() != 4) return false;
             Clicca(m->Scelta->ButtonAggiungiTutti);
             return true;
         }},
        {"l'avvio dell'invio",
         [] {
             auto* m = Invio();
             if (!m || m->ListBox1->count() != 4) return false;
             m->DDOgetto->setText(QStringLiteral("Listino per {{città}}"));
             m->DDTestoRiga[0]->setText(QStringLiteral("Gentile {{Ragione_Sociale}},"));
             m->DDTestoRiga[1]->setText(QStringLiteral("le inviamo il nuovo listino."));
             Clicca(m->ButtonInvio);
             return true;
         }},
        {"l'attesa imposta dal limite al minuto",
         [] {
             auto* m = Invio();
             if (!m || !m->ButtonInterrompi->isVisible() ||
                 !m->Operazione->text().startsWith(QStringLiteral("In attesa")))
                 return false;
             Verifica(m->ProgressBar1->value() == 2, "due messaggi prima dell'attesa");
             Clicca(m->ButtonInterrompi);
             return true;
         }},
        {"la fine dell'invio interrotto",
         [&risposte] {
             auto* m = Invio();
             if (!m || m->InvioInCorso() || !risposte.HaDetto("Invio interrotto")) return false;
             Verifica(risposte.HaDetto("2 indirizzi restano da inviare"), "quanti restano");
             Verifica(m->ListBox1->count() == 2, "l'elenco con i rimasti");
             m->close();
             return true;
         }},
        DalMenu("l'uscita", anno, &TFMain::Esci1),
    };
}

std::vector<TPasso> Ripresa(TRisposte& risposte, const QString& anno) {
    auto storico = [] { return Modale<TFStoricoInvii>("FStoricoInvii"); };
    return {
        {"la finestra Storico Invii",
         [=] {
             Verifica(!Modale<QDialog>("FBenvenuto"), "il benvenuto una volta sola");
             TFMain* main = PrincipaleLibera(anno);
             if (!main) return false;
             Scegli(main->StoricoInvii1);
             return true;
         }},
        {"l'invio interrotto nello storico",
         [=] {
             TFStoricoInvii* s = storico();
             if (!s || s->GrigliaSpedizioni->rowCount() == 0) return false;
             const QTableWidget& g = *s->GrigliaSpedizioni;
             Verifica(g.rowCount() == 1, "un solo invio nello storico");
             Verifica(Cella(g, 0, QStringLiteral("Inviati")) == QStringLiteral("2") &&
                          Cella(g, 0, QStringLiteral("Da inviare")) == QStringLiteral("2"),
                      "due inviati e due da inviare prima della ripresa");
             Verifica(s->ButtonReinvia->isVisible() && !s->ButtonReinvia->isEnabled(),
                      "\"Reinvia ai falliti\" visibile, senza falliti spento");
             Clicca(s->ButtonRiprendi);
             return true;
         }},
        {"la fine della ripresa",
         [&risposte] {
             auto* m = Invio();
             if (!m || m->InvioInCorso() || !risposte.HaChiesto("Svuotare l'elenco")) return false;
             Verifica(risposte.HaChiesto("Inviare il messaggio a 2 destinatari?"),
                      "la conferma dei due rimasti");
             m->close();
             return true;
         }},
        Quando("l'invio concluso nello storico", storico,
               [](TFStoricoInvii& s) {
                   const QTableWidget& g = *s.GrigliaSpedizioni;
                   Verifica(g.rowCount() == 1, "un solo invio nello storico dopo la ripresa");
                   Verifica(Cella(g, 0, QStringLiteral("Inviati")) == QStringLiteral("4") &&
                                Cella(g, 0, QStringLiteral("Da inviare")) == QStringLiteral("0"),
                            "quattro inviati e nessuno da inviare dopo la ripresa");
                   Verifica(!s.ButtonRiprendi->isEnabled(),
                            "\"Riprendi\" spento per un invio concluso");
                   const QTableWidget& v = *s.GrigliaVoci;
                   Verifica(v.rowCount() == 4, "quattro indirizzi nell'invio");
                   for (int r = 0; r < v.rowCount(); ++r)
                       Verifica(Cella(v, r, QStringLiteral("Stato")) == QStringLiteral("inviato"),
                                "ogni indirizzo inviato");
                   s.close();
               }),
        DalMenu("la finestra Invio Mail dopo la ripresa", anno, &TFMain::InvioMail),
        // A question about the run would end the way: it is closed.
        Quando("nessuna ripresa proposta per un invio concluso", Invio,
               [](TFInvioMail& m) {
                   Verifica(m.ListBox1->count() == 0, "l'elenco svuotato alla fine dell'invio");
                   m.close();
               }),
        DalMenu("l'uscita", anno, &TFMain::Esci1),
    };
}

}  // namespace

int main(int argc, char** argv) {
    const std::string fase = argc > 1 ? argv[1] : "";
    if (!((fase == "primo" && argc == 4) || (fase == "riprendi" && argc == 2))) {
        std::fprintf(stderr, "usage: %s primo PORTA CONTATTI.csv | riprendi\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brivano"));
    const QString anno = QString::number(QDate::currentDate().year());
    const auto si = TConfirmAnswer::Yes;
    TRisposte risposte({{"Inviare il messaggio a", si}, {"Svuotare l'elenco dei destinatari", si}});
    std::vector<TPasso> passi = fase == "primo" ? PrimoAvvio(risposte, anno, std::atoi(argv[2]),
                                                             QString::fromLocal8Bit(argv[3]))
                                                : Ripresa(risposte, anno);

    std::size_t corrente = 0;
    QElapsedTimer orologio, passo;
    orologio.start();
    passo.start();
    QTimer battito;
    battito.setInterval(100);
    QObject::connect(&battito, &QTimer::timeout, [&] {
        if (corrente >= passi.size()) return;
        // Generous: the machine may be loaded, and the pace holds the resume
        // for up to a minute.
        if (passo.elapsed() > 150000) {
            const QWidget* sopra = QApplication::activeModalWidget();
            Fallisci(std::string("mai arrivato: ") + passi[corrente].nome + " (in primo piano: " +
                     (sopra ? sopra->metaObject()->className() + std::string(" ") +
                                  sopra->windowTitle().toStdString()
                            : std::string("nessuna finestra modale")) +
                     ")");
        }
        if (passi[corrente].prova()) {
            passo.restart();
            std::fprintf(stderr, "fatto: %s (%.1f s)\n", passi[corrente].nome,
                         static_cast<double>(orologio.elapsed()) / 1000.0);
            ++corrente;
        }
    });
    battito.start();

    const std::string cartella = QCoreApplication::applicationDirPath().toStdString() + "/";
    const int esito = brivano::Programma(
        risposte, cartella, false, [](TMessageBoxes& b) { return std::make_unique<TFDB>(b); });
    Verifica(corrente == passi.size(), "il programma è finito prima dell'ultimo passo");
    return esito;
}
