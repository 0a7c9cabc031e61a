#include "mailing/IdMessage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "mailing/CorpoMisto.h"
#include "mailing/MailText.h"

using namespace brivano;

namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::tm LocalTm(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) throw EIdFailedToRetreiveTimeZoneInfo();
    return local;
}

// Refused before anything is generated, so a typed line break can never start
// a header of its own.
void RefuseLineBreaks(std::string_view header, std::string_view text) {
    if (HoldsLineBreakOrNul(text)) throw EIdInvalidHeaderText(header);
}

const char* PriorityDigit(TIdMessagePriority priority) {
    switch (priority) {
        case mpHighest:
            return "1";
        case mpHigh:
            return "2";
        case mpLow:
            return "4";
        case mpLowest:
            return "5";
        case mpNormal:
            break;
    }
    return "";
}

// The address as the "to" of a mailto URI (RFC 6068): everything but
// unreserved characters and the delimiters a mailbox may hold is
// percent-encoded, so the URI stays one token inside its angle brackets.
std::string MailtoAddress(std::string_view address) {
    std::string out;
    for (char c : address) {
        auto code = static_cast<unsigned char>(c);
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     (c != '\0' && std::strchr("-._~!$'()*+;:@", c) != nullptr);
        if (plain) {
            out += c;
        } else {
            out += '%';
            AppendHexByte(out, code);
        }
    }
    return out;
}

std::string Joined(const std::vector<std::string>& texts, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) out.append(separator);
        out.append(texts[i]);
    }
    return out;
}

}  // namespace

TIdEMailAddressItem& TIdMessage::From() {
    if (fromList_.Empty()) fromList_.Add();
    return fromList_[0];
}

void TIdMessage::SetBodyText(std::string_view text) {
    body_.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        body_.emplace_back(text.substr(start, i - start));
        i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size()) body_.emplace_back(text.substr(start));
}

void TIdMessage::SetEncoding(TIdMessageEncoding encoding) {
    encoding_ = encoding;
    if (encoding == mePlainText) attachmentEncoding_ = "UUE";
}

void TIdMessage::BuildHeaderLines() {
    if (encoding_ == meDefault) SetEncoding(mePlainText);
    const TIdHeaderSettings settings = ChooseHeaderCharset(*this);

    RefuseLineBreaks("Subject", subject_);
    RefuseLineBreaks("Organization", organization_);
    RefuseLineBreaks("References", references_);
    RefuseLineBreaks("In-Reply-To", inReplyTo_);
    RefuseLineBreaks("Content-Type", contentType_);
    RefuseLineBreaks("Content-Transfer-Encoding", contentTransferEncoding_);
    for (const auto& group : newsGroups_) RefuseLineBreaks("Newsgroups", group);
    for (const auto& file : attachments_)
        if (!file.Contenuto) throw EAllegatoIlleggibile(file.Nome);
    const TBodyForm body(body_, settings, false);

    TIdHeaderList& headers = lastGeneratedHeaders_;
    headers.Clear();
    headers.SetHeaderValue("From", RenderAddressList(fromList_, settings, true));
    headers.SetHeaderValue("Subject", EncodeWords(subject_, "", settings));
    headers.SetHeaderValue("To", RenderAddressList(recipients_, settings, false));
    headers.SetHeaderValue("Cc", RenderAddressList(ccList_, settings, false));
    headers.SetHeaderValue("Bcc", "");
    headers.SetHeaderValue("Newsgroups", Joined(newsGroups_, ","));
    headers.SetHeaderValue("Content-Transfer-Encoding", contentTransferEncoding_);
    headers.SetHeaderValue("Content-Type", contentType_);
    headers.SetHeaderValue("Sender", sender_.Text());
    headers.SetHeaderValue("Reply-To", RenderAddressList(replyTo_, settings, false));
    headers.SetHeaderValue("Organization", EncodeWords(organization_, "", settings));
    headers.SetHeaderValue("Disposition-Notification-To",
                           RenderAddress(receiptRecipient_, settings, false));
    headers.SetHeaderValue("References", references_);
    headers.SetHeaderValue("Date", FormatInternetDate(UseNowForDate() ? LocalNow() : date_));
    const std::string sender = fromList_.Empty() ? std::string() : fromList_[0].Address();
    // Extra headers that bring their own id keep it.
    const bool ownId = extraHeaders_.IndexOfName("Message-ID") < 0;
    if (ownId)
        headers.SetHeaderValue(
            "Message-ID",
            MessageIdFor(messageIdLeft_ ? messageIdLeft_() : NewMessageIdLeft(), sender));
    if (listUnsubscribe_ && !sender.empty())
        headers.SetHeaderValue("List-Unsubscribe",
                               "<mailto:" + MailtoAddress(sender) + "?subject=Cancellami>");
    headers.SetHeaderValue("X-Priority", PriorityDigit(priority_));
    if (body.QuotedPrintable()) {
        // Without these a reader cannot know what the 8-bit body means.
        headers.SetHeaderValue("MIME-Version", "1.0");
        headers.SetHeaderValue("Content-Type", "text/plain; charset=" + body.Charset());
        headers.SetHeaderValue("Content-Transfer-Encoding", "quoted-printable");
    }
    boundary_.clear();
    if (!attachments_.empty()) {
        // The text's own type and encoding move into its part.
        boundary_ = NuovoConfine();
        headers.SetHeaderValue("MIME-Version", "1.0");
        headers.SetHeaderValue("Content-Type", "multipart/mixed; boundary=\"" + boundary_ + "\"");
        headers.SetHeaderValue("Content-Transfer-Encoding", "");
    }
    for (const auto& line : extraHeaders_.Lines()) headers.Add(line);
    if (!inReplyTo_.empty()) {
        std::string id = inReplyTo_;
        if (id.front() != '<') id.insert(0, 1, '<');
        if (id.back() != '>') id.push_back('>');
        headers.SetHeaderValue("In-Reply-To", id);
    } else if (!ownId && headers.IndexOfName("Message-ID") >= 0) {
        // A reply to the message those extra headers came from; a message's
        // own new id is no reference.
        headers.SetHeaderValue("In-Reply-To", headers.Values("Message-ID"));
    }
}

TIdHeaderSettings ChooseHeaderCharset(const TIdMessage& message) {
    return ChooseHeaderCharset(message.OnInitializeISO());
}

std::chrono::minutes LocalUtcOffset() {
    return std::chrono::minutes(LocalTm(std::time(nullptr)).tm_gmtoff / 60);
}

TIdLocalTime LocalNow() {
    using namespace std::chrono;
    std::tm t = LocalTm(std::time(nullptr));
    local_days day{year(t.tm_year + 1900) / month(static_cast<unsigned>(t.tm_mon + 1)) /
                   static_cast<unsigned>(t.tm_mday)};
    return day + hours(t.tm_hour) + minutes(t.tm_min) + seconds(t.tm_sec);
}

std::string FormatInternetDate(TIdLocalTime t) {
    using namespace std::chrono;
    const local_days day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss time{t - day};
    const long offset = LocalUtcOffset().count();
    const long absOffset = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %u %s %d %02ld:%02ld:%02ld %c%02ld%02ld",
                  kWeekdays[weekday(day).c_encoding()], static_cast<unsigned>(ymd.day()),
                  kMonths[static_cast<unsigned>(ymd.month()) - 1], static_cast<int>(ymd.year()),
                  static_cast<long>(time.hours().count()),
                  static_cast<long>(time.minutes().count()),
                  static_cast<long>(time.seconds().count()), offset < 0 ? '-' : '+', absOffset / 60,
                  absOffset % 60);
    return text;
}

namespace brivano {

void AppendQuotedPrintable(std::string_view line, std::vector<std::string>& out) {
    std::string current;
    current.reserve(std::min<std::size_t>(line.size() * 3, 76));
    for (std::size_t i = 0; i < line.size(); ++i) {
        auto c = static_cast<unsigned char>(line[i]);
        bool last = i + 1 == line.size();
        char token[3] = {static_cast<char>(c), 0, 0};
        std::size_t n = 1;
        bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last);
        if (!literal) {
            token[0] = '=';
            token[1] = HexDigit(c >> 4);
            token[2] = HexDigit(c);
            n = 3;
        }
        // Room for the soft break "=" unless this token ends the line.
        if (current.size() + n > (last ? 76u : 75u)) {
            current += '=';
            out.push_back(std::move(current));
            current.clear();
        }
        current.append(token, n);
    }
    out.push_back(std::move(current));
}

TBodyForm::TBodyForm(const std::vector<std::string>& body, const TIdHeaderSettings& settings,
                     bool encodeLines)
    : body_(body) {
    bool ascii = true;
    for (const auto& line : body) {
        // A line break inside a line would let the text end the data early.
        if (HoldsLineBreakOrNul(line)) throw EIdInvalidLine();
        ascii = IsAscii(line) && ascii;
    }
    if (ascii) return;
    const bool jis = settings.Transfer == TTransfer::iso2022jp;
    quotedPrintable_ = true;
    charset_ = jis ? "ISO-2022-JP" : settings.Charset;
    std::vector<std::string> converted;
    converted.reserve(body.size());
    for (const auto& line : body) {
        auto bytes = jis ? ToIso2022Jp(line) : FromUtf8(line, charset_);
        if (!bytes) {
            charset_ = "UTF-8";
            converted = body;
            break;
        }
        converted.push_back(std::move(*bytes));
    }
    if (encodeLines)
        for (const auto& line : converted) AppendQuotedPrintable(line, encoded_);
}

}  // namespace brivano
