#pragma once
// A server certificate the user chose to trust: one for the account's host
// and port, kept in the configuration store beside the account. A refused
// certificate is shown with its owner, issuer, validity and fingerprint, and
// the user may trust it; one that differs from the certificate trusted for
// the same server is announced as a change, which may be an attack.

#include <string>

#include "smtp/IdTLSException.h"

class TMessageBoxes;

namespace brivano {

namespace ValoriCertificato {
inline constexpr const char* Host = "SmtpCertificatoHost";
inline constexpr const char* Porta = "SmtpCertificatoPorta";
inline constexpr const char* Impronta = "SmtpCertificatoImpronta";
}  // namespace ValoriCertificato

// The trusted certificate; empty when none was trusted or the stored values
// cannot be read.
TIdTrustedCertificate LeggiCertificatoFidato();
void ScriviCertificatoFidato(const TIdTrustedCertificate& certificato);

// Owner, issuer, validity (local dates) and SHA-256 fingerprint, one per line.
std::string DescrizioneCertificato(const TIdCertificateSummary& certificato);

// Whether the refusal is of a certificate other than the one trusted for the
// same host and port.
bool CertificatoCambiato(const EIdTLSCertificateRefused& rifiuto,
                         const TIdTrustedCertificate& fidato);

// The question put to the user about a refused certificate.
std::string DomandaFiducia(const EIdTLSCertificateRefused& rifiuto,
                           const TIdTrustedCertificate& fidato);

// Asks about the refused certificate and, when the user trusts it, stores it
// for its host and port (replacing any other). False when the user declined
// or the refusal names no certificate.
bool OffriFiducia(TMessageBoxes& boxes, const EIdTLSCertificateRefused& rifiuto);

}  // namespace brivano
