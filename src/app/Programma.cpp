#include "app/Programma.h"

#include <QApplication>
#include <QDate>

#include "account_window/F_ImpostazioniInvio.h"
#include "addressbook/F_ImportaContatti.h"
#include "addressbook/F_Rubrica.h"
#include "app/F_About.h"
#include "app/F_Benvenuto.h"
#include "app/F_Main.h"
#include "archive/F_DB.h"
#include "dialogs/MessageBoxes.h"
#include "history_window/F_StoricoInvii.h"
#include "inbox_window/F_RimbalziCancellazioni.h"
#include "inbox_window/PostaAutomatica.h"
#include "keyring/PortachiaviSegreti.h"
#include "mailing_window/AvvioProgrammati.h"
#include "mailing_window/F_Agenda.h"
#include "maintenance/F_CambioAnno.h"
#include "maintenance/F_CreaArchivio.h"
#include "posta/RimbalziCancellazioni.h"
#include "ui/CostruzioneDifferita.h"
#include "workflow/StoricoInvii.h"

namespace brivano {

namespace {

// Declared after the data module, so the windows (which keep references to
// it) go before it does.
struct TFinestreProgramma {
    std::unique_ptr<TFInvioMail> FInvioMail;
    std::unique_ptr<TFF_About> FF_About;
    std::unique_ptr<TFCambioAnno> FCambioAnno;
    std::unique_ptr<TFCreaArchivio> FCreaArchivio;
    std::unique_ptr<TFRubrica> FRubrica;
    // The sending account, shared by its window and the mailing window.
    TPortachiaviSegreti Portachiavi;
    TImpostazioniInvio Impostazioni{Portachiavi};
    std::unique_ptr<TFImpostazioniInvio> FImpostazioniInvio;
    std::unique_ptr<TFStoricoInvii> FStoricoInvii;
    // "Controlla posta" of both windows and the checks of its own accord.
    std::unique_ptr<TPostaAutomatica> Posta;
    std::unique_ptr<TFRimbalziCancellazioni> FRimbalziCancellazioni;
    // Starts the scheduled runs that fall due while the program is open.
    std::unique_ptr<TAvvioProgrammati> AvvioProgrammati;

    TFinestreProgramma(TFDB& fdb, TMessageBoxes& boxes, TFMain& main) {
        auto mostraAnno = [&main](const std::string& anno) { main.MostraAnno(anno); };
        FInvioMail = std::make_unique<TFInvioMail>(fdb, boxes, &main);
        FF_About = std::make_unique<TFF_About>(&main);
        FCambioAnno = std::make_unique<TFCambioAnno>(fdb, boxes, mostraAnno, &main);
        FCreaArchivio = std::make_unique<TFCreaArchivio>(fdb, boxes, mostraAnno, &main);
        FRubrica = std::make_unique<TFRubrica>(fdb, boxes, &main);
        FImpostazioniInvio = std::make_unique<TFImpostazioniInvio>(Impostazioni, boxes, &main);
        FInvioMail->SetImpostazioni(&Impostazioni);
        FInvioMail->SetApriAccount([this] {
            CostruisciOra(*FImpostazioniInvio);
            FImpostazioniInvio->exec();
        });
        FStoricoInvii = std::make_unique<TFStoricoInvii>(boxes, PercorsoRegistroConfigurato, &main);
        FStoricoInvii->SetSpedizioneAttiva(
            [invio = FInvioMail.get()] { return invio->SpedizioneInCorso(); });
        Posta = std::make_unique<TPostaAutomatica>(
            boxes, std::make_unique<TRimbalziCancellazioni>(
                       []() -> std::optional<std::filesystem::path> {
                           const auto registro = PercorsoRegistroConfigurato();
                           if (!registro) return std::nullopt;
                           return registro->parent_path();
                       },
                       [this] { return Impostazioni.Carica(); },
                       [this](const TAccountInvio& account) {
                           return Impostazioni.Accesso(account)->Token();
                       }));
        FRimbalziCancellazioni = std::make_unique<TFRimbalziCancellazioni>(boxes, *Posta, &main);
        FStoricoInvii->SetControllaPosta([posta = Posta.get()] { posta->Controlla(); });
        QObject::connect(Posta.get(), &TPostaAutomatica::Iniziato, FStoricoInvii.get(),
                         &TFStoricoInvii::PostaIniziata);
        QObject::connect(Posta.get(), &TPostaAutomatica::Concluso, FStoricoInvii.get(),
                         &TFStoricoInvii::PostaConclusa);
        FStoricoInvii->SetRiprendi([invio = FInvioMail.get()](std::int64_t id, bool falliti) {
            invio->Riprendi(id, falliti);
        });
        AvvioProgrammati = std::make_unique<TAvvioProgrammati>(boxes, Impostazioni);
        FStoricoInvii->AvviaDovuti = [avvio = AvvioProgrammati.get()] { avvio->Controlla(); };
    }
};

}  // namespace

int Programma(TMessageBoxes& boxes, const std::string& cartellaProgramma, bool cartellaScrivibile,
              const TCreaFDB& creaFDB) {
    TFMain FMain(boxes, cartellaProgramma, cartellaScrivibile);
    std::unique_ptr<TFDB> FDB;
    std::unique_ptr<TFinestreProgramma> finestre;
    // The windows not yet opened build their controls on their first showing,
    // after the main window has been painted.
    DifferisciCostruzioneFinestre(true);
    struct TFineDifferimento {
        ~TFineDifferimento() { DifferisciCostruzioneFinestre(false); }
    } fineDifferimento;
    try {
        FDB = creaFDB(boxes);
        finestre = std::make_unique<TFinestreProgramma>(*FDB, boxes, FMain);
    } catch (const std::exception& e) {
        boxes.ShowError(e.what());
        return 1;
    }
    TFRubrica* rubrica = finestre->FRubrica.get();
    TFDB& fdb = *FDB;
    TFImpostazioniInvio* account = finestre->FImpostazioniInvio.get();
    auto benvenuto = [&fdb, &boxes, &FMain, account] {
        TFBenvenuto finestra(
            fdb, boxes, QDate::currentDate().year(),
            [&FMain](const std::string& anno) { FMain.MostraAnno(anno); },
            [account] {
                CostruisciOra(*account);
                return account->exec() == QDialog::Accepted;
            },
            [&fdb, &boxes, &FMain] {
                TFImportaContatti importa(fdb, boxes, &FMain);
                return importa.exec() == QDialog::Accepted;
            },
            &FMain);
        finestra.exec();
    };
    FMain.ImpostaFinestre({FDB.get(), finestre->FInvioMail.get(), finestre->FF_About.get(),
                           finestre->FCambioAnno.get(), finestre->FCreaArchivio.get(), rubrica,
                           [rubrica] { rubrica->ChiediSalvataggio(); }, account,
                           finestre->FStoricoInvii.get(), finestre->FRimbalziCancellazioni.get(),
                           benvenuto,
                           [posta = finestre->Posta.get()](const TConfigurazioneLetta* conf) {
                               posta->Pianifica(conf);
                           }});
    CostruisciDopoPrimoDipinto(FMain);
    FMain.show();
    const int result = QApplication::exec();
    FMain.ImpostaFinestre({});
    return result;
}

}  // namespace brivano
