// "Controlla posta" from the window, run off the window thread against a
// private Dovecot, and how failures of the program's own checks are shown.
#include "inbox_window/PostaAutomatica.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "CampioniPosta.h"
#include "DovecotDiProva.h"
#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "config/F_Conf.h"
#include "inbox_window/F_RimbalziCancellazioni.h"
#include "posta/RimbalziCancellazioni.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroInvii.h"

namespace {

using brivano::TRimbalziCancellazioni;

// The ends told by a TPostaAutomatica, in order.
struct TConclusi {
    explicit TConclusi(TPostaAutomatica& posta) {
        QObject::connect(&posta, &TPostaAutomatica::Concluso,
                         [this](bool riuscito, const QString& testo) {
                             Esiti.emplace_back(riuscito, testo.toStdString());
                             ciclo_.quit();
                         });
    }
    // Runs the event loop until the next end, at most `ms`.
    bool Attendi(int ms) {
        const std::size_t prima = Esiti.size();
        QTimer::singleShot(ms, &ciclo_, &QEventLoop::quit);
        ciclo_.exec();
        return Esiti.size() > prima;
    }
    std::vector<std::pair<bool, std::string>> Esiti;

  private:
    QEventLoop ciclo_;
};

std::unique_ptr<TRimbalziCancellazioni> Controllo(std::optional<std::filesystem::path> radice) {
    return std::make_unique<TRimbalziCancellazioni>([radice] { return radice; },
                                                    [] {
                                                        brivano::TAccountCaricato account;
                                                        account.Account.Mittente = "invii@ditta.it";
                                                        account.Password =
                                                            TDovecotDiProva::Password;
                                                        return account;
                                                    });
}

TEST(PostaAutomatica, UnErroreDeiControlliDaSolaCompareUnaVolta) {
    TRecordingMessageBoxes boxes;
    TPostaAutomatica posta(boxes, Controllo(std::nullopt));
    TConclusi conclusi(posta);
    posta.ControllaDaSola();
    posta.ControllaDaSola();
    ASSERT_EQ(conclusi.Esiti.size(), 2u);
    EXPECT_FALSE(conclusi.Esiti[0].first);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "Controllo automatico della posta: La configurazione non indica la cartella dei "
              "dati.");
    // The user's own click always answers.
    posta.Controlla();
    EXPECT_EQ(boxes.boxes.size(), 2u);
}

TEST(PostaAutomatica, LaFinestraControllaInSottofondoEMostraRimbalzoERichiesta) {
    TTempDir cartella;
    TScopedXdgHome casa;
    TDovecotDiProva server(cartella.path() / "server");
    if (!server.Pronto()) GTEST_SKIP() << server.Motivo();
    const TSoloAutorita autorita(server.Autorita());
    brivano::TAccountPosta account;
    account.Host = "127.0.0.1";
    account.Porta = server.PortaImaps();
    account.Utente = TDovecotDiProva::Utente;
    brivano::ScriviAccountPosta(account);
    const auto radice = cartella.path() / "dati";
    std::filesystem::create_directories(radice);
    {
        brivano::TRegistroInvii registro(brivano::TRegistroInvii::Percorso(radice));
        const auto invio =
            registro.NuovaSpedizione({"127.0.0.1:465 invii", "invii@ditta.it", "Offerta", {}},
                                     {"Mario.Rossi@esempio.it", "cliente@ditta.it"});
        for (std::size_t i = 0; i < 2; ++i) {
            registro.Segna(invio, i, brivano::TStatoVoce::InCorso, 0, "",
                           "<brivano.1." + std::to_string(i + 1) + "@ditta.it>");
            registro.Segna(invio, i, brivano::TStatoVoce::Inviato, 250, "ok");
        }
    }
    server.Deposita(campioni::RapportoDefinitivo());
    server.Deposita(campioni::Richiesta("Re: Cancellami", "", ""));

    TRecordingMessageBoxes boxes;
    TPostaAutomatica posta(boxes, Controllo(radice));
    TFRimbalziCancellazioni finestra(boxes, posta);
    TConclusi conclusi(posta);
    finestra.ButtonControllaClick();
    EXPECT_FALSE(finestra.ButtonControlla->isEnabled());
    // Generous room: the machine may be busy.
    ASSERT_TRUE(conclusi.Attendi(180000));
    ASSERT_TRUE(conclusi.Esiti[0].first) << conclusi.Esiti[0].second;
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(finestra.ButtonControlla->isEnabled());
    EXPECT_TRUE(finestra.LabelEsito->text().contains("Rimbalzi definitivi: 1"))
        << finestra.LabelEsito->text().toStdString();
    ASSERT_EQ(finestra.Griglia->rowCount(), 2);
    const brivano::TNonInviare elenco(brivano::PercorsoNonInviare(radice.string() + "/"));
    EXPECT_TRUE(elenco.Contiene("mario.rossi@esempio.it"));
    EXPECT_TRUE(elenco.Contiene("cliente@ditta.it"));
}

}  // namespace
