#!/usr/bin/python3
"""The peer of send_bench's round-trip and throughput tables: Python's smtplib
sending N copies of the mailing window's message to a loopback sink, logging
in when the sink offers AUTH.

  smtplib_peer.py PORT COUNT per-message|one-connection [USER]

With USER it logs in with the password in SMTPLIB_PEER_PASSWORD (never on the
command line, where every user of the machine can read it).

Prints the elapsed seconds; exits 1 when a message was not accepted."""
import email.header
import email.utils
import os
import smtplib
import sys
import time

LINES = ["Gentile cliente,", "le presentiamo le novità di questo mese.", "",
         "Il catalogo è disponibile sul nostro sito.", "", "Cordiali saluti", "",
         "L'ufficio commerciale"] + [""] * 9 + [
    "Se avete ricevuto per errore questa comunicazione o non siete interessati all argomento trattato,",
    "ci scusiamo per il disturbo arrecato.",
    "Gli indirizzi email presenti nel nostro archivio provengono da  altri nostri recapiti o da elenchi",
    "di pubblico dominio pubblicati su Internet o su altri media.",
    "I vostri dati, di cui l indirizzo email, sono trattati in via informatica nel rispetto dei principi",
    "di protezione della privacy.",
    "Se NON desiderate ricevere ulteriori comunicazioni di questo tipo potete in qualsiasi momento",
    "(in base al DLGS 196/2003) cancellarvi, scrivendo a questo indirizzo mettendo nell oggetto Cancellami",
    "e specificando l email da cancellare."]


def message_bytes(sender, rcpt):
    subject = email.header.Header("Novità dal nostro archivio", "iso-8859-1").encode()
    head = [b"From: \"%s\" <%s>" % (sender.encode(), sender.encode()),
            b"Subject: " + subject.encode(), b"To: " + rcpt.encode(),
            b"Date: " + email.utils.formatdate(localtime=True).encode()]
    body = [line.encode("iso-8859-1") for line in LINES]
    return b"\r\n".join(head + [b""] + body + [b""]) + b"\r\n"


def main():
    if len(sys.argv) not in (4, 5) or sys.argv[3] not in ("per-message", "one-connection"):
        raise SystemExit(__doc__)
    port, count, mode = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    user = sys.argv[4] if len(sys.argv) == 5 else ""
    password = os.environ.get("SMTPLIB_PEER_PASSWORD", "")
    sender = user or "bench@example.it"
    if not 0 < count <= 100000:
        raise SystemExit("COUNT must be 1..100000")

    def connect():
        client = smtplib.SMTP("127.0.0.1", port, timeout=30)
        client.ehlo()
        if user and client.has_extn("auth"):
            client.login(user, password)
        return client

    start = time.monotonic()
    client = connect() if mode == "one-connection" else None
    for i in range(count):
        rcpt = "dest%d@example.it" % i
        if mode == "per-message":
            with connect() as one:
                one.sendmail(sender, [rcpt], message_bytes(sender, rcpt))
        else:
            client.sendmail(sender, [rcpt], message_bytes(sender, rcpt))
    if client:
        client.quit()
    print("%.6f" % (time.monotonic() - start))


if __name__ == "__main__":
    main()
