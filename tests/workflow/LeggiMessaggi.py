"""Reads the messages a test sink stored, as a mail program would.

Usage: LeggiMessaggi.py FOLDER
Parses FOLDER/1.eml, 2.eml, ... with Python's email package (policy=default)
and prints, per message, "== n", then "NAME<TAB>value" for every header as
decoded for reading, then "--", then the body lines as decoded. Exits with 1
and says why on standard error when a header or the body has a defect, when
"Message-ID" is not one valid id, or when "List-Unsubscribe" is not one
mailto URI to the "From" address asking "Cancellami".
"""
import email
import email.policy
import email.utils
import os
import re
import sys
import urllib.parse


def fail(n, why):
    print(f"message {n}: {why}", file=sys.stderr)
    sys.exit(1)


def check(n, msg):
    if msg.defects:
        fail(n, f"defects {msg.defects}")
    for name in msg.keys():
        header = msg[name]
        if header.defects:
            fail(n, f"{name}: defects {header.defects}")
    ids = msg.get_all("Message-ID", [])
    if len(ids) != 1 or not re.fullmatch(r"<[^<>@\s]+@[^<>@\s]+>", str(ids[0]).strip()):
        fail(n, f"Message-ID {ids}")
    unsubscribe = msg.get("List-Unsubscribe")
    if unsubscribe is not None:
        found = re.fullmatch(r"<(mailto:[^<>\s]+)>", str(unsubscribe).strip())
        if not found:
            fail(n, f"List-Unsubscribe {unsubscribe!r}")
        uri = urllib.parse.urlsplit(found.group(1))
        query = urllib.parse.parse_qs(uri.query)
        sender = email.utils.parseaddr(str(msg["From"]))[1]
        if urllib.parse.unquote(uri.path) != sender or query != {"subject": ["Cancellami"]}:
            fail(n, f"List-Unsubscribe {unsubscribe!r} for {sender!r}")


def main():
    folder = sys.argv[1]
    out = sys.stdout
    n = 1
    while os.path.exists(os.path.join(folder, f"{n}.eml")):
        with open(os.path.join(folder, f"{n}.eml"), "rb") as f:
            msg = email.message_from_binary_file(f, policy=email.policy.default)
        check(n, msg)
        out.write(f"== {n}\n")
        for name, value in msg.items():
            out.write(f"{name}\t{str(value)}\n")
        out.write("--\n")
        body = msg.get_content()
        for line in body.split("\n"):
            out.write(line.rstrip("\r") + "\n")
        n += 1


if __name__ == "__main__":
    main()
