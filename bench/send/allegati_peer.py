#!/usr/bin/python3
"""The peer of allegati_bench: Python's email package builds, for each
recipient, a multipart/mixed message with the text and FILE (its media type,
its name in RFC 2231 form), and smtplib sends COUNT of them to a loopback
sink, PER messages per session.

  allegati_peer.py PORT COUNT PER FILE

Exits 1 when a message was not accepted."""
import email.message
import email.utils
import os
import smtplib
import sys


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    port, count, per, path = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    with open(path, "rb") as f:
        data = f.read()
    name = os.path.basename(path)
    sender = "banco@example.it"
    sent = 0
    while sent < count:
        with smtplib.SMTP("127.0.0.1", port, local_hostname="banco.example.it") as smtp:
            for _ in range(min(per, count - sent)):
                rcpt = f"dest{sent}@example.it"
                msg = email.message.EmailMessage()
                msg["From"] = f'"{sender}" <{sender}>'
                msg["To"] = rcpt
                msg["Subject"] = "Fattura del mese"
                msg["Date"] = email.utils.formatdate(localtime=True)
                msg["Message-ID"] = email.utils.make_msgid(domain="example.it")
                msg.set_content("Gentile cliente,\nin allegato la fattura del mese.\n")
                msg.add_attachment(data, maintype="application", subtype="pdf", filename=name)
                refused = smtp.send_message(msg, sender, [rcpt])
                if refused:
                    sys.exit(1)
                sent += 1


if __name__ == "__main__":
    main()
