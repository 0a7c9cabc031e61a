#include "workflow/CertificatoFidato.h"

#include <charconv>
#include <ctime>

#include "config/F_Conf.h"
#include "dialogs/MessageBoxes.h"
#include "text/Ora.h"
#include "text/Testo.h"
#include "workflow/SpiegazioneErrori.h"

namespace brivano {

namespace {

std::string Data(std::time_t quando) {
    if (quando == 0) return "sconosciuta";
    return TestoOra(quando, "%d/%m/%Y %H:%M", TFuso::Locale).value_or("sconosciuta");
}

TIdTrustedCertificate LeggiValori() {
    TIdTrustedCertificate fidato;
    const std::string porta = LeggiReg(KeyBrivano, ValoriCertificato::Porta);
    int numero = 0;
    const char* fine = porta.data() + porta.size();
    const auto [ptr, ec] = std::from_chars(porta.data(), fine, numero);
    if (porta.empty() || ec != std::errc() || ptr != fine || numero < 1 || numero > 65535)
        return {};
    fidato.Host = LeggiReg(KeyBrivano, ValoriCertificato::Host);
    fidato.Port = numero;
    fidato.Fingerprint = LeggiReg(KeyBrivano, ValoriCertificato::Impronta);
    if (fidato.Host.empty()) return {};
    return fidato;
}

std::string OVuoto(const std::string& testo) {
    return testo.empty() ? "(non indicato)" : testo;
}

}  // namespace

TIdTrustedCertificate LeggiCertificatoFidato() {
    try {
        return LeggiValori();
    } catch (const std::exception&) {
        // A damaged value trusts nothing: the check refuses as without it.
        return {};
    }
}

void ScriviCertificatoFidato(const TIdTrustedCertificate& certificato) {
    // The fingerprint last: without it nothing is trusted, so a write that
    // stops half way trusts nothing.
    ScriviReg(KeyBrivano, ValoriCertificato::Impronta, "");
    ScriviReg(KeyBrivano, ValoriCertificato::Host, certificato.Host);
    ScriviReg(KeyBrivano, ValoriCertificato::Porta, std::to_string(certificato.Port));
    ScriviReg(KeyBrivano, ValoriCertificato::Impronta, certificato.Fingerprint);
}

std::string DescrizioneCertificato(const TIdCertificateSummary& certificato) {
    return "Intestato a: " + OVuoto(certificato.Subject) +
           "\nRilasciato da: " + OVuoto(certificato.Issuer) + "\nValido dal " +
           Data(certificato.ValidFrom) + " al " + Data(certificato.ValidUntil) +
           "\nImpronta SHA-256: " + OVuoto(certificato.Fingerprint);
}

bool CertificatoCambiato(const EIdTLSCertificateRefused& rifiuto,
                         const TIdTrustedCertificate& fidato) {
    return !fidato.Empty() && EqualsNoCase(fidato.Host, rifiuto.Host()) &&
           fidato.Port == rifiuto.Port() && fidato.Fingerprint != rifiuto.Certificate().Fingerprint;
}

std::string DomandaFiducia(const EIdTLSCertificateRefused& rifiuto,
                           const TIdTrustedCertificate& fidato) {
    const std::string server = rifiuto.Host() + ":" + std::to_string(rifiuto.Port());
    std::string testo;
    if (CertificatoCambiato(rifiuto, fidato))
        testo = "ATTENZIONE: IL CERTIFICATO DEL SERVER " + server +
                " È CAMBIATO.\nNon è quello di cui vi siete fidati (impronta " +
                fidato.Fingerprint +
                ").\nPuò essere un rinnovo fatto dall'amministratore del server, ma anche "
                "qualcuno che si finge il server per leggere password e messaggi. Fidatevi del "
                "nuovo certificato solo se l'amministratore ve lo conferma.\n\n";
    testo += SpiegaErrore(rifiuto) + ".\n\nServer: " + server + "\n" +
             DescrizioneCertificato(rifiuto.Certificate()) +
             "\n\nSe è il server della vostra ditta e l'impronta corrisponde a quella che vi "
             "ha dato l'amministratore, potete fidarvi di questo certificato: varrà solo per "
             "questo host e questa porta, finché il server non lo cambia.";
    return testo;
}

bool OffriFiducia(TMessageBoxes& boxes, const EIdTLSCertificateRefused& rifiuto) {
    if (rifiuto.Certificate().Fingerprint.empty() || rifiuto.Host().empty()) return false;
    const TIdTrustedCertificate fidato = LeggiCertificatoFidato();
    const bool cambiato = CertificatoCambiato(rifiuto, fidato);
    if (boxes.Choose(DomandaFiducia(rifiuto, fidato), "Fidati di questo certificato", "Annulla",
                     cambiato) != TConfirmAnswer::Yes)
        return false;
    ScriviCertificatoFidato({rifiuto.Host(), rifiuto.Port(), rifiuto.Certificate().Fingerprint});
    return true;
}

}  // namespace brivano
