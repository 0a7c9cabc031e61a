#include "workflow/CertificatoFidato.h"

#include <gtest/gtest.h>

#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "config/F_Conf.h"

using namespace brivano;

namespace {

const std::string Impronta = "AB:CD:EF";

EIdTLSCertificateRefused Rifiuto(const std::string& impronta, int porta = 2525) {
    TIdCertificateSummary certificato;
    certificato.Subject = "CN=relay.example.it,O=Ditta";
    certificato.Issuer = "CN=relay.example.it,O=Ditta";
    certificato.ValidFrom = 1767225600;   // 2026-01-01
    certificato.ValidUntil = 1798761600;  // 2027-01-01
    certificato.Fingerprint = impronta;
    return EIdTLSCertificateRefused(TIdCertificateFault::Untrusted, "self-signed certificate",
                                    certificato, "relay.example.it", porta);
}

class CertificatoFidato : public ::testing::Test {
  protected:
    TScopedXdgHome home;
    TRecordingMessageBoxes boxes;
};

TEST_F(CertificatoFidato, TrustedOnlyWhenTheUserSaysSoAndForItsServer) {
    EXPECT_TRUE(LeggiCertificatoFidato().Empty());
    EXPECT_FALSE(OffriFiducia(boxes, Rifiuto(Impronta)));
    EXPECT_TRUE(LeggiCertificatoFidato().Empty()) << "declined: nothing stored";
    ASSERT_EQ(boxes.asked.size(), 1u);
    const std::string& domanda = boxes.asked[0];
    for (const char* parte : {"Intestato a: CN=relay.example.it,O=Ditta", "Rilasciato da: ",
                              "Valido dal ", "Impronta SHA-256: AB:CD:EF", "relay.example.it:2525"})
        EXPECT_NE(domanda.find(parte), std::string::npos) << parte << " in " << domanda;
    EXPECT_EQ(domanda.find("CAMBIATO"), std::string::npos);

    boxes.answers.push_back(TConfirmAnswer::Yes);
    EXPECT_TRUE(OffriFiducia(boxes, Rifiuto(Impronta)));
    EXPECT_EQ(LeggiCertificatoFidato(),
              (TIdTrustedCertificate{"relay.example.it", 2525, Impronta}));
}

TEST_F(CertificatoFidato, ChangedCertificateAsksAgainLoudly) {
    ScriviCertificatoFidato({"relay.example.it", 2525, Impronta});
    const EIdTLSCertificateRefused nuovo = Rifiuto("11:22:33");
    EXPECT_TRUE(CertificatoCambiato(nuovo, LeggiCertificatoFidato()));
    EXPECT_FALSE(CertificatoCambiato(Rifiuto("11:22:33", 465), LeggiCertificatoFidato()))
        << "another port is another server, not a change";
    EXPECT_FALSE(OffriFiducia(boxes, nuovo));
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].rfind("ATTENZIONE: IL CERTIFICATO DEL SERVER relay.example.it:2525 "
                                   "È CAMBIATO.",
                                   0),
              0u)
        << boxes.asked[0];
    EXPECT_EQ(LeggiCertificatoFidato().Fingerprint, Impronta) << "the old trust stays";
}

TEST_F(CertificatoFidato, DamagedStoredValueTrustsNothing) {
    ScriviCertificatoFidato({"relay.example.it", 2525, Impronta});
    ScriviReg(KeyBrivano, ValoriCertificato::Porta, "settanta");
    EXPECT_TRUE(LeggiCertificatoFidato().Empty());
}

}  // namespace
