#!/usr/bin/python3
"""The peer of posta_bench: Python's imaplib fetching the same new messages a
check fetches, the same way (sizes and flags of the new UIDs, then the bodies
with BODY.PEEK[] a hundred at a time), over implicit TLS.

  imaplib_peer.py PORT USER PASSWORD CAFILE

Prints the elapsed seconds and the messages fetched."""
import imaplib
import ssl
import sys
import time

port, user, password, cafile = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
start = time.monotonic()
context = ssl.create_default_context(cafile=cafile)
with imaplib.IMAP4_SSL("127.0.0.1", port, ssl_context=context, timeout=60) as imap:
    imap.login(user, password)
    imap.select("INBOX")
    typ, data = imap.uid("FETCH", "1:*", "(UID RFC822.SIZE FLAGS)")
    uids = []
    for item in data:
        line = item.decode() if isinstance(item, bytes) else item[0].decode()
        uids.append(int(line.split("UID ")[1].split()[0].rstrip(")")))
    fetched = 0
    for i in range(0, len(uids), 100):
        batch = ",".join(str(u) for u in uids[i:i + 100])
        typ, data = imap.uid("FETCH", batch, "(UID BODY.PEEK[])")
        fetched += sum(1 for item in data if isinstance(item, tuple))
    imap.logout()
print(f"{time.monotonic() - start:.3f} {fetched}")
