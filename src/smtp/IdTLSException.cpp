#include "smtp/IdTLSException.h"

#include <utility>

EIdTLSCertificateRefused::EIdTLSCertificateRefused(TIdCertificateFault reason,
                                                   const std::string& detail,
                                                   TIdCertificateSummary certificate,
                                                   std::string host, int port)
    : EIdTLSError(std::string("Certificate refused (") + ReasonText(reason) + "): " + detail),
      reason_(reason),
      detail_(detail),
      certificate_(std::move(certificate)),
      host_(std::move(host)),
      port_(port) {}

const char* EIdTLSCertificateRefused::ReasonText(TIdCertificateFault reason) {
    switch (reason) {
        case TIdCertificateFault::Expired:
            return "expired";
        case TIdCertificateFault::NotYetValid:
            return "not yet valid";
        case TIdCertificateFault::Untrusted:
            return "untrusted";
        case TIdCertificateFault::WrongName:
            return "wrong name";
        case TIdCertificateFault::Other:
            break;
    }
    return "refused";
}
