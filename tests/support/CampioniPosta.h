#pragma once
// Messages as they land in the sender's mailbox (invii@ditta.it), written the
// way mail servers and people write them: delivery-status reports, the
// plain-text forms of bounces, replies. Our message is <brivano.1.1@ditta.it>.

#include <string>

namespace campioni {

inline std::string ConCrLf(const std::string& testo) {
    std::string uscita;
    for (char c : testo) {
        if (c == '\n') uscita += '\r';
        uscita += c;
    }
    return uscita;
}

inline std::string Restituite(const std::string& a) {
    return "Return-Path: <invii@ditta.it>\n"
           "From: Ditta <invii@ditta.it>\n"
           "To: " +
           a +
           "\n"
           "Subject: Offerta\n"
           "Message-ID: <brivano.1.1@ditta.it>\n";
}

inline std::string Rapporto(const std::string& gruppi, const std::string& a,
                            const std::string& messageId = "rapporto.1@mx.esempio.it") {
    return ConCrLf(
        "Return-Path: <>\n"
        "From: MAILER-DAEMON@mx.esempio.it (Mail Delivery System)\n"
        "To: invii@ditta.it\n"
        "Subject: Undelivered Mail Returned to Sender\n"
        "Date: Thu, 10 Dec 2026 10:00:00 +0100\n"
        "Message-ID: <" +
        messageId +
        ">\n"
        "Auto-Submitted: auto-replied\n"
        "MIME-Version: 1.0\n"
        "Content-Type: multipart/report; report-type=delivery-status;\n"
        "\tboundary=\"confine\"\n"
        "\n"
        "--confine\n"
        "Content-Type: text/plain; charset=us-ascii\n"
        "\n"
        "I'm sorry to have to inform you that your message could not\n"
        "be delivered to one or more recipients.\n"
        "\n"
        "--confine\n"
        "Content-Type: message/delivery-status\n"
        "\n"
        "Reporting-MTA: dns; mx.esempio.it\n"
        "Arrival-Date: Thu, 10 Dec 2026 09:59:58 +0100\n"
        "\n" +
        gruppi +
        "\n"
        "--confine\n"
        "Content-Type: text/rfc822-headers\n"
        "\n" +
        Restituite(a) +
        "\n"
        "--confine--\n");
}

inline std::string RapportoDefinitivo() {
    return Rapporto(
        "Final-Recipient: rfc822; mario.rossi@esempio.it\n"
        "Original-Recipient: rfc822;Mario.Rossi@esempio.it\n"
        "Action: failed\n"
        "Status: 5.1.1\n"
        "Remote-MTA: dns; mx.esempio.it\n"
        "Diagnostic-Code: smtp; 550 5.1.1 <mario.rossi@esempio.it>: Recipient\n"
        "    address rejected: User unknown in local recipient table\n",
        "mario.rossi@esempio.it");
}

inline std::string RapportoRitardato() {
    return Rapporto(
        "Final-Recipient: rfc822; lenta@esempio.it\n"
        "Action: delayed\n"
        "Status: 4.4.1\n"
        "Diagnostic-Code: X-Postfix; connect to mx.esempio.it: Connection refused\n",
        "lenta@esempio.it");
}

inline std::string RapportoDoppio() {
    return Rapporto(
        "Final-Recipient: rfc822; piena@esempio.it\n"
        "Action: failed\n"
        "Status: 4.2.2\n"
        "Diagnostic-Code: smtp; 452 4.2.2 Mailbox full\n"
        "\n"
        "Final-Recipient: rfc822; <nessuno@esempio.it>\n"
        "Action: failed\n"
        "Status: 5.1.1 (user unknown)\n",
        "piena@esempio.it");
}

inline std::string RapportoConsegnato() {
    return Rapporto(
        "Final-Recipient: rfc822; felice@esempio.it\n"
        "Action: delivered\n"
        "Status: 2.0.0\n",
        "felice@esempio.it");
}

// A mail server that writes the recipient and the reason as text, and the
// returned message below.
inline std::string TestoConCodice() {
    return ConCrLf(
        "From: Mail Delivery System <Mailer-Daemon@mx.esempio.it>\n"
        "To: invii@ditta.it\n"
        "Subject: Mail delivery failed: returning message to sender\n"
        "Date: Thu, 10 Dec 2026 10:01:00 +0100\n"
        "Message-ID: <testo.1@mx.esempio.it>\n"
        "Auto-Submitted: auto-replied\n"
        "\n"
        "This message was created automatically by mail delivery software.\n"
        "\n"
        "A message that you sent could not be delivered to one or more of its\n"
        "recipients. This is a permanent error. The following address(es) failed:\n"
        "\n"
        "  bianchi@esempio.it\n"
        "    host mx.esempio.it [127.0.0.1]\n"
        "    SMTP error from remote mail server after RCPT TO:<bianchi@esempio.it>:\n"
        "    550 5.1.1 User unknown\n"
        "\n"
        "------ This is a copy of the message, including all the headers. ------\n"
        "\n" +
        Restituite("bianchi@esempio.it") +
        "\n"
        "Testo dell'offerta.\n");
}

inline std::string AvvisoConCopia() {
    return ConCrLf(
        "From: MAILER-DAEMON@posta.esempio.it\n"
        "To: invii@ditta.it\n"
        "Subject: failure notice\n"
        "Date: 10 Dec 2026 09:02:00 -0000\n"
        "Message-ID: <avviso.1@posta.esempio.it>\n"
        "\n"
        "Hi. This is the program at posta.esempio.it.\n"
        "I'm afraid I wasn't able to deliver your message to the following addresses.\n"
        "This is a permanent error; I've given up. Sorry it didn't work out.\n"
        "\n"
        "<verdi@esempio.it>:\n"
        "127.0.0.1 does not like recipient.\n"
        "Remote host said: 550 5.1.1 Sorry, no mailbox here by that name.\n"
        "\n"
        "--- Below this line is a copy of the message.\n"
        "\n" +
        Restituite("verdi@esempio.it") +
        "\n"
        "Testo dell'offerta.\n");
}

inline std::string TestoTemporaneo() {
    return ConCrLf(
        "From: postmaster@esempio.it\n"
        "To: invii@ditta.it\n"
        "Subject: Warning: message delayed\n"
        "Message-ID: <ritardo.1@esempio.it>\n"
        "\n"
        "Your message to neri@esempio.it has not yet been delivered.\n"
        "The server will retry for 4 more days.\n");
}

// The reason as text, the recipient only in the returned message.
inline std::string SoloCopiaRestituita() {
    return ConCrLf(
        "From: \"Sistema di posta\" <mailer-daemon@esempio.it>\n"
        "To: invii@ditta.it\n"
        "Subject: Messaggio non recapitato\n"
        "Message-ID: <copia.1@esempio.it>\n"
        "MIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=\"b\"\n"
        "\n"
        "--b\n"
        "Content-Type: text/plain; charset=utf-8\n"
        "Content-Transfer-Encoding: 8bit\n"
        "\n"
        "Il messaggio non è stato recapitato: il server ha risposto 550 casella "
        "inesistente.\n"
        "--b\n"
        "Content-Type: message/rfc822\n"
        "\n" +
        Restituite("gialli@esempio.it") +
        "\n"
        "Testo dell'offerta.\n"
        "--b--\n");
}

// A person's message to the sender; `altre` are more header lines.
inline std::string Richiesta(const std::string& oggetto, const std::string& testo,
                             const std::string& altre) {
    return ConCrLf(
        "From: Cliente <Cliente@Ditta.it>\n"
        "To: invii@ditta.it\n"
        "Subject: " +
        oggetto +
        "\n"
        "Date: Thu, 10 Dec 2026 11:00:00 +0100\n"
        "Message-ID: <risposta.1@ditta.it>\n" +
        altre +
        "MIME-Version: 1.0\n"
        "Content-Type: text/plain; charset=utf-8\n"
        "Content-Transfer-Encoding: 8bit\n"
        "\n" +
        testo + "\n");
}

}  // namespace campioni
