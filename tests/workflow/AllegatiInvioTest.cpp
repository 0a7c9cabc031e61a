// Runs with files, from the controller to what a mail program reads: Debian's
// aiosmtpd stores the messages and Python's email package takes them apart
// (names with accents, media types, every file byte for byte). Entries whose
// files are missing or too big stay out while the others go; a resend whose
// file changed says so.

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <mutex>

#include "RecordingMessageBoxes.h"
#include "SinkAiosmtpd.h"
#include "TempDir.h"
#include "UscitaComando.h"
#include "config/F_Conf.h"
#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/Allegati.h"
#include "workflow/ControlloInvio.h"
#include "workflow/RegistroInvii.h"

namespace {

namespace fs = std::filesystem;

// Only the end of a run matters here.
class TVistaMinima : public brivano::TVistaInvioMuta {
  public:
    void InvioTerminato() override {
        std::lock_guard<std::mutex> lock(mutex_);
        terminato_ = true;
        cambiato_.notify_all();
    }
    bool AttendiTermine() {
        std::unique_lock<std::mutex> lock(mutex_);
        const bool ok =
            cambiato_.wait_for(lock, std::chrono::seconds(60), [this] { return terminato_; });
        terminato_ = false;
        return ok;
    }

  private:
    std::mutex mutex_;
    std::condition_variable cambiato_;
    bool terminato_ = false;
};

void Scrivi(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// "n recipient name type sha" lines of LeggiAllegati.py; fails on a defect.
std::vector<std::string> LeggiAllegati(const fs::path& cartella) {
    const std::string comando = std::string("/usr/bin/python3 ") + BRIVANO_READ_FILES_SCRIPT +
                                " '" + cartella.string() + "'";
    const std::string uscita = UscitaComando(comando, "the email package found a defect");
    std::vector<std::string> righe;
    for (std::size_t inizio = 0, fine = 0; inizio < uscita.size(); inizio = fine + 1) {
        fine = uscita.find('\n', inizio);
        if (fine == std::string::npos) fine = uscita.size();
        std::string riga = uscita.substr(inizio, fine - inizio);
        for (char& c : riga)
            if (c == '\t') c = ' ';
        righe.push_back(riga);
    }
    return righe;
}

class AllegatiInvio : public ::testing::Test {
  protected:
    void SetUp() override {
        ScriviReg(KeyBrivano, "PathDatiGen", dati.str() + "/");
        sink = std::make_unique<TSinkAiosmtpd>(posta.path());
        ASSERT_TRUE(sink->Ready()) << "aiosmtpd did not start (Debian package python3-aiosmtpd)";
        account.Host = "127.0.0.1";
        account.Porta = sink->Port();
        account.Mittente = "mario@example.it";
        account.DimensioneMassimaMB = 1;
    }
    std::unique_ptr<brivano::TControlloInvio> Controllo() {
        brivano::TFontiInvio fonti;
        fonti.Account = [this] { return std::optional<brivano::TAccountInvio>(account); };
        fonti.NonInviare = [] { return fs::path(); };
        auto c = std::make_unique<brivano::TControlloInvio>(smtp, message, boxes, vista, fonti);
        const int l = 20000;
        c->SetLimitiTempo({l, l, {l, l, l, l, l}, l});
        c->SetAttesaTentativi([](int) {});
        return c;
    }
    brivano::TDatiInvio Testi() const {
        brivano::TDatiInvio t;
        t.Host = "127.0.0.1";
        t.Mittente = "mario@example.it";
        t.Oggetto = "Fattura";
        t.Righe[0] = "In allegato la fattura di {{Ragione_Sociale}}.";
        t.Allegati.Comuni = {
            "Condizioni generali di vendita è già valide per tutto l'anno duemilaventisette.txt"};
        t.Allegati.Modello = "fatture/{{Ragione_Sociale}}.pdf";
        t.Allegati.Cartella = file.str();
        return t;
    }
    void Esegui(brivano::TControlloInvio& c, const std::vector<std::string>& voci,
                const std::vector<brivano::TCampiContatto>& campi) {
        c.Avvia(Testi(), voci, campi);
        if (!c.InCorso()) return;
        ASSERT_TRUE(vista.AttendiTermine());
        c.Concludi();
    }

    TScopedXdgHome home;
    TTempDir dati, posta, file;
    std::unique_ptr<TSinkAiosmtpd> sink;
    brivano::TAccountInvio account;
    TRecordingMessageBoxes boxes;
    TVistaMinima vista;
    TIdSMTP smtp;
    TIdMessage message;
};

TEST_F(AllegatiInvio, EachGetsItsFilesWhileMissingAndOversizedOnesStayOut) {
    const std::string condizioni = "Condizioni generali di vendita.\n";
    const std::string pdfAnna = "%PDF-1.4\n" + std::string(70000, '\x01') + "\n%%EOF\n";
    std::string pdfCarla = "%PDF-1.4\n";
    for (int i = 0; i < 5000; ++i) pdfCarla += static_cast<char>(i * 7 % 256);
    Scrivi(file.path() /
               "Condizioni generali di vendita è già valide per tutto l'anno duemilaventisette.txt",
           condizioni);
    Scrivi(file.path() / "fatture" / "Ànna Srl.pdf", pdfAnna);
    Scrivi(file.path() / "fatture" / "Carla.pdf", pdfCarla);
    Scrivi(file.path() / "fatture" / "Grande.pdf", "%PDF-1.4\n" + std::string(900000, 'x'));
    const std::vector<std::string> voci = {"anna@example.it", "bruno@example.it",
                                           "carla@example.it", "dora@example.it",
                                           "ezio@example.it"};
    const std::vector<brivano::TCampiContatto> campi = {{{"Ragione_Sociale", "Ànna Srl"}},
                                                        {{"Ragione_Sociale", "Bruno"}},
                                                        {{"Ragione_Sociale", "Carla"}},
                                                        {{"Ragione_Sociale", "Grande"}},
                                                        {{"Ragione_Sociale", "../Carla"}}};
    boxes.answers = {TConfirmAnswer::Yes, TConfirmAnswer::Yes};
    auto controllo = Controllo();
    Esegui(*controllo, voci, campi);

    ASSERT_GE(boxes.asked.size(), 1u);
    const std::string& domanda = boxes.asked[0];
    EXPECT_NE(domanda.find("3 destinatari restano fuori"), std::string::npos) << domanda;
    EXPECT_NE(domanda.find("bruno@example.it: il file " +
                           (file.path() / "fatture" / "Bruno.pdf").string() + " non esiste"),
              std::string::npos);
    EXPECT_NE(domanda.find("dora@example.it: il messaggio con gli allegati misurerebbe"),
              std::string::npos);
    EXPECT_NE(domanda.find("ezio@example.it: il campo Ragione_Sociale"), std::string::npos);
    EXPECT_NE(domanda.find("Inviare agli altri 2 destinatari?"), std::string::npos);
    EXPECT_EQ(controllo->UltimoEsito().Inviati, 2u);

    const std::string txt = std::string(Testi().Allegati.Comuni[0]) + " text/plain " +
                            brivano::ImprontaSha256(condizioni);
    EXPECT_EQ(
        LeggiAllegati(posta.path()),
        (std::vector<std::string>{
            "1 anna@example.it - text In allegato la fattura di Ànna Srl.",
            "1 anna@example.it " + txt,
            "1 anna@example.it Ànna Srl.pdf application/pdf " + brivano::ImprontaSha256(pdfAnna),
            "2 carla@example.it - text In allegato la fattura di Carla.",
            "2 carla@example.it " + txt,
            "2 carla@example.it Carla.pdf application/pdf " + brivano::ImprontaSha256(pdfCarla)}));
    // A long name goes in pieces of at most 78 octets a line.
    for (const std::string& eml : sink->Messages())
        for (std::size_t inizio = 0, fine = 0; inizio < eml.size(); inizio = fine + 2) {
            fine = eml.find("\r\n", inizio);
            if (fine == std::string::npos) break;
            if (eml.compare(inizio, 6, " name*") == 0 ||
                eml.compare(inizio, 10, " filename*") == 0) {
                EXPECT_LE(fine - inizio, 78u) << eml.substr(inizio, fine - inizio);
            }
        }
}

TEST_F(AllegatiInvio, AResendSaysWhichFileChangedSinceTheFirstRun) {
    sink.reset();
    sink = std::make_unique<TSinkAiosmtpd>(
        posta.path(), std::vector<std::string>{"plain", "--refuse", "rifiuta"});
    ASSERT_TRUE(sink->Ready());
    account.Porta = sink->Port();
    Scrivi(file.path() /
               "Condizioni generali di vendita è già valide per tutto l'anno duemilaventisette.txt",
           "Condizioni.\n");
    Scrivi(file.path() / "fatture" / "Anna.pdf", "%PDF-1.4 prima\n");
    Scrivi(file.path() / "fatture" / "Bea.pdf", "%PDF-1.4 prima\n");
    const std::vector<std::string> voci = {"rifiuta.anna@example.it", "rifiuta.bea@example.it"};
    const std::vector<brivano::TCampiContatto> campi = {{{"Ragione_Sociale", "Anna"}},
                                                        {{"Ragione_Sociale", "Bea"}}};
    boxes.answers = {TConfirmAnswer::Yes};
    auto controllo = Controllo();
    Esegui(*controllo, voci, campi);
    ASSERT_EQ(controllo->UltimoEsito().Falliti.size(), 2u);
    const std::size_t primaDomanda = boxes.asked.size();

    Scrivi(file.path() / "fatture" / "Bea.pdf", "%PDF-1.4 dopo\n");
    ASSERT_TRUE(controllo->PreparaReinvio());
    Esegui(*controllo, voci, campi);
    ASSERT_EQ(boxes.asked.size(), primaDomanda + 1);
    EXPECT_NE(
        boxes.asked.back().find("rifiuta.bea@example.it: gli allegati non sono quelli del primo "
                                "invio (Bea.pdf è cambiato)"),
        std::string::npos)
        << boxes.asked.back();
    EXPECT_EQ(boxes.asked.back().find("rifiuta.anna@example.it:"), std::string::npos);
    // Answered No: nothing went and the changed entry is still to resend.
    EXPECT_FALSE(controllo->InCorso());
    EXPECT_EQ(sink->Messages().size(), 0u);
}

}  // namespace
