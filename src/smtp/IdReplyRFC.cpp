#include "smtp/IdReplyRFC.h"

#include "smtp/IdGlobal.h"
#include "text/Testo.h"

bool TIdReplyRFC::IsEndLine(const std::string& line) const {
    return line.size() < 4 || line[3] == ' ';
}

bool TIdReplyRFC::IsValidCode(const std::string& code) const {
    if (brivano::Trim(code).empty()) return true;
    const int value = brivano::DecimalValue(code);
    return value >= 100 && value <= 999;
}

void TIdReplyRFC::RaiseReplyError() const {
    throw EIdReplyRFCError(TextWithLineEnds(), NumericCode());
}

std::unique_ptr<TIdReply> TIdReplyRFC::Clone() const {
    return std::unique_ptr<TIdReply>(new TIdReplyRFC(*this));
}
