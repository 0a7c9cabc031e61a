"""A loopback SMTP sink for tests and measurements, on Debian's aiosmtpd.

Usage: SinkAiosmtpd.py PORT FOLDER [REFUSE]
Offers AUTH LOGIN (any user name and password are accepted), stores each
message as FOLDER/<n>.eml (the bytes after DATA, transparency removed) with
FOLDER/<n>.rcpt (the envelope recipients, one a line), refuses with 550 every
recipient containing REFUSE, prints READY once it listens, and stops when its
standard input closes or after ten minutes.
"""
import os
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


class Store:
    def __init__(self, folder, refuse):
        self.folder = folder
        self.refuse = refuse
        self.count = 0
        self.lock = threading.Lock()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.refuse and self.refuse in address:
            return "550 5.1.1 Recipient refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            n = self.count
        base = os.path.join(self.folder, str(n))
        with open(base + ".rcpt.tmp", "w") as f:
            f.write("\n".join(envelope.rcpt_tos) + "\n")
        with open(base + ".eml.tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".rcpt.tmp", base + ".rcpt")
        os.rename(base + ".eml.tmp", base + ".eml")
        return "250 OK stored"


def accept_any(server, session, envelope, mechanism, auth_data):
    return AuthResult(success=True)


def main():
    port = int(sys.argv[1])
    folder = sys.argv[2]
    refuse = sys.argv[3] if len(sys.argv) > 3 else ""
    controller = Controller(Store(folder, refuse), hostname="127.0.0.1", port=port,
                            authenticator=accept_any, auth_require_tls=False)
    controller.start()
    print("READY", flush=True)
    done = threading.Event()

    def wait_stdin():
        sys.stdin.read()
        done.set()

    threading.Thread(target=wait_stdin, daemon=True).start()
    done.wait(600)
    controller.stop()


if __name__ == "__main__":
    main()
