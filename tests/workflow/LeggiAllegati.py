"""Reads the files of the messages a test sink stored, as a mail program would.

Usage: LeggiAllegati.py FOLDER
Parses FOLDER/1.eml, 2.eml, ... with Python's email package (policy=default)
and prints one line per message part that is a file:
"n<TAB>recipient<TAB>file name<TAB>media type<TAB>SHA-256 of the decoded bytes",
and per message "n<TAB>recipient<TAB>-<TAB>text<TAB>first text line". Exits
with 1, saying why on standard error, when the message or a part has a defect,
the message is not multipart/mixed or its first part is not the text.
"""
import email
import email.policy
import hashlib
import os
import sys


def fail(n, why):
    print(f"message {n}: {why}", file=sys.stderr)
    sys.exit(1)


def main():
    folder = sys.argv[1]
    n = 1
    while os.path.exists(os.path.join(folder, f"{n}.eml")):
        with open(os.path.join(folder, f"{n}.eml"), "rb") as f:
            msg = email.message_from_binary_file(f, policy=email.policy.default)
        with open(os.path.join(folder, f"{n}.rcpt")) as f:
            rcpt = f.read().split("\n")[0]
        if msg.defects:
            fail(n, f"defects {msg.defects}")
        if msg.get_content_type() != "multipart/mixed":
            fail(n, f"type {msg.get_content_type()}")
        parts = list(msg.iter_parts())
        if not parts or parts[0].get_content_type() != "text/plain" or parts[0].get_filename():
            fail(n, "the first part is not the text")
        first = parts[0].get_content().split("\n")[0].rstrip("\r")
        print(f"{n}\t{rcpt}\t-\ttext\t{first}")
        for part in parts[1:]:
            if part.defects:
                fail(n, f"part defects {part.defects}")
            data = part.get_content()
            if not isinstance(data, bytes):
                data = part.get_payload(decode=True)
            print(f"{n}\t{rcpt}\t{part.get_filename()}\t{part.get_content_type()}\t"
                  f"{hashlib.sha256(data).hexdigest()}")
        n += 1


if __name__ == "__main__":
    main()
