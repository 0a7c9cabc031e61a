#pragma once
// One plain-text e-mail: addresses, subject, body lines and the settings that
// decide its header lines.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "exception/IdException.h"
#include "mailing/Allegato.h"
#include "mailing/IdEMailAddress.h"
#include "mailing/IdHeaderCoder.h"
#include "mailing/IdHeaderList.h"
#include "mailing/IdMessageId.h"

class EIdFailedToRetreiveTimeZoneInfo : public EIdException {
  public:
    EIdFailedToRetreiveTimeZoneInfo()
        : EIdException("Failed attempting to retrieve time zone information.") {}
};

enum TIdMessagePriority { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };
enum TIdMessageEncoding { meDefault, meMIME, mePlainText };

// A local wall-clock time; the zero value (the epoch) means "none".
using TIdLocalTime = std::chrono::local_seconds;

class TIdMessage {
  public:
    TIdMessage() = default;

    TIdEMailAddressList& FromList() { return fromList_; }
    // The first sender entry, created when the list is empty.
    TIdEMailAddressItem& From();
    TIdEMailAddressList& Recipients() { return recipients_; }
    TIdEMailAddressList& CCList() { return ccList_; }
    TIdEMailAddressList& BccList() { return bccList_; }
    TIdEMailAddressList& ReplyTo() { return replyTo_; }
    TIdEMailAddressItem& Sender() { return sender_; }
    TIdEMailAddressItem& ReceiptRecipient() { return receiptRecipient_; }

    const std::string& Subject() const { return subject_; }
    void SetSubject(std::string_view subject) { subject_ = subject; }
    const std::string& Organization() const { return organization_; }
    void SetOrganization(std::string_view text) { organization_ = text; }
    const std::string& References() const { return references_; }
    void SetReferences(std::string_view text) { references_ = text; }
    const std::string& InReplyTo() const { return inReplyTo_; }
    void SetInReplyTo(std::string_view text) { inReplyTo_ = text; }
    std::vector<std::string>& NewsGroups() { return newsGroups_; }

    // Files after the text: with any, the message is multipart/mixed.
    std::vector<brivano::TAllegato>& Attachments() { return attachments_; }
    const std::vector<brivano::TAllegato>& Attachments() const { return attachments_; }
    // The multipart boundary of the headers last generated (none without files).
    const std::string& Boundary() const { return boundary_; }

    std::vector<std::string>& Body() { return body_; }
    const std::vector<std::string>& Body() const { return body_; }
    // Splits the text into body lines at CR, LF or CR LF; a final break adds
    // no empty line.
    void SetBodyText(std::string_view text);

    TIdLocalTime Date() const { return date_; }
    void SetDate(TIdLocalTime date) { date_ = date; }
    bool UseNowForDate() const { return date_ == TIdLocalTime{}; }

    TIdMessagePriority Priority() const { return priority_; }
    void SetPriority(TIdMessagePriority priority) { priority_ = priority; }
    TIdMessageEncoding Encoding() const { return encoding_; }
    // Plain text also means attachments would go as "UUE".
    void SetEncoding(TIdMessageEncoding encoding);
    const std::string& AttachmentEncoding() const { return attachmentEncoding_; }
    void SetAttachmentEncoding(std::string_view text) { attachmentEncoding_ = text; }

    const std::string& ContentType() const { return contentType_; }
    void SetContentType(std::string_view text) { contentType_ = text; }
    const std::string& ContentTransferEncoding() const { return contentTransferEncoding_; }
    void SetContentTransferEncoding(std::string_view text) { contentTransferEncoding_ = text; }
    const std::string& CharSet() const { return charSet_; }
    void SetCharSet(std::string_view text) { charSet_ = text; }

    TIdHeaderList& ExtraHeaders() { return extraHeaders_; }
    const TIdHeaderList& LastGeneratedHeaders() const { return lastGeneratedHeaders_; }

    bool ConvertPreamble() const { return convertPreamble_; }
    void SetConvertPreamble(bool value) { convertPreamble_ = value; }
    bool NoEncode() const { return noEncode_; }
    void SetNoEncode(bool value) { noEncode_ = value; }

    // Left part of the "Message-ID" of every generated header block; the
    // default is unique per message.
    void SetMessageIdLeft(brivano::TMessageIdLeft maker) { messageIdLeft_ = std::move(maker); }
    // Whether the headers offer "List-Unsubscribe" by a mail to the sender
    // asking "Cancellami", as the footer tells the reader to do. On by default.
    bool ListUnsubscribe() const { return listUnsubscribe_; }
    void SetListUnsubscribe(bool value) { listUnsubscribe_ = value; }

    const TIdInitializeISOEvent& OnInitializeISO() const { return onInitializeISO_; }
    void SetOnInitializeISO(TIdInitializeISOEvent handler) {
        onInitializeISO_ = std::move(handler);
    }

    // Fills LastGeneratedHeaders. A header text holding CR, LF or NUL raises
    // EIdInvalidHeaderText, such a body line EIdInvalidLine, before anything
    // is generated.
    void BuildHeaderLines();

  private:
    TIdEMailAddressList fromList_;
    TIdEMailAddressList recipients_;
    TIdEMailAddressList ccList_;
    TIdEMailAddressList bccList_;
    TIdEMailAddressList replyTo_;
    TIdEMailAddressItem sender_;
    TIdEMailAddressItem receiptRecipient_;
    std::string subject_;
    std::string organization_;
    std::string references_;
    std::string inReplyTo_;
    std::vector<std::string> newsGroups_;
    std::vector<std::string> body_;
    std::vector<brivano::TAllegato> attachments_;
    std::string boundary_;
    TIdLocalTime date_{};
    TIdMessagePriority priority_ = mpNormal;
    TIdMessageEncoding encoding_ = meDefault;
    std::string attachmentEncoding_ = "MIME";
    std::string contentType_;
    std::string contentTransferEncoding_;
    std::string charSet_;
    TIdHeaderList extraHeaders_;
    TIdHeaderList lastGeneratedHeaders_;
    bool convertPreamble_ = true;
    bool noEncode_ = false;
    bool listUnsubscribe_ = true;
    brivano::TMessageIdLeft messageIdLeft_;
    TIdInitializeISOEvent onInitializeISO_;
};

TIdHeaderSettings ChooseHeaderCharset(const TIdMessage& message);

// "Fri, 1 Mar 2024 09:05:03 +0100": the local time with the offset in force now.
std::string FormatInternetDate(TIdLocalTime t);

// The local zone's current offset from UTC (east positive), daylight saving
// included.
std::chrono::minutes LocalUtcOffset();

// The current local wall-clock time.
TIdLocalTime LocalNow();

namespace brivano {

// The body as it goes on the wire, before the leading-dot rule: the message's
// own lines when they are plain ASCII, otherwise in the header charset (UTF-8
// when that cannot hold them) and quoted-printable. Raises EIdInvalidLine for
// a line holding CR, LF or NUL. Refers to `body`, which must outlive it.
class TBodyForm {
  public:
    // Without `encodeLines` only the form is decided (for the headers).
    TBodyForm(const std::vector<std::string>& body, const TIdHeaderSettings& settings,
              bool encodeLines = true);

    bool QuotedPrintable() const { return quotedPrintable_; }
    const std::string& Charset() const { return charset_; }
    const std::vector<std::string>& Lines() const { return quotedPrintable_ ? encoded_ : body_; }

  private:
    const std::vector<std::string>& body_;
    bool quotedPrintable_ = false;
    std::string charset_;
    std::vector<std::string> encoded_;
};

// One line of bytes as quoted-printable lines of at most 76 characters.
void AppendQuotedPrintable(std::string_view line, std::vector<std::string>& out);

}  // namespace brivano
