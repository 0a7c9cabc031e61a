#include "smtp/IdTLSException.h"

EIdTLSCertificateRefused::EIdTLSCertificateRefused(TIdCertificateFault reason,
                                                   const std::string& detail)
    : EIdTLSError(std::string("Certificate refused (") + ReasonText(reason) + "): " + detail),
      reason_(reason),
      detail_(detail) {}

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
