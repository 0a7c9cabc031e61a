"""A loopback SMTP peer on Debian's aiosmtpd, plain or with TLS, for tests and
measurements.

Usage: SinkAiosmtpd.py FOLDER MODE [options]
  MODE plain     no TLS; AUTH offered in the clear
  MODE starttls  STARTTLS offered and required before any other command
                 (AUTH only after it)
  MODE tls       implicit TLS: the handshake right after the connect
Options:
  --cert FILE --key FILE   the server's certificate chain and key (TLS modes)
  --mechanisms LIST        AUTH mechanisms offered, e.g. LOGIN,PLAIN (default)
                           or PLAIN; XOAUTH2 and OAUTHBEARER with --tokens-file
  --tokens-file FILE       bearer tokens accepted, one a line as "TOKEN EXPIRY"
                           (seconds since the epoch), read again at every AUTH;
                           a token absent or expired gets the error challenge
                           (334 and a base64 JSON status), then 535
  --user NAME --password SECRET
                           the only login accepted (default: any)
  --starttls-fault KIND    garbage: after "220" the server sends clear text and
                           closes, so the handshake fails; inject: a line
                           "250 injected" follows "220" before the handshake
  --refuse TEXT            every recipient containing TEXT is refused with 550
  --stall TEXT             a recipient containing TEXT gets no reply (the client
                           waits, as on a server that hangs)
Binds 127.0.0.1 port 0 and prints "PORT <n>" once it listens; its replies
leave at once (TCP_NODELAY). Every command
line received is appended to FOLDER/transcript.txt as "clear <line>" or
"tls <line>"; each message is stored as FOLDER/<n>.eml (the bytes after DATA)
with FOLDER/<n>.rcpt (the recipients, one a line). Stops when its standard
input closes, or after ten minutes.
"""
import argparse
import asyncio
import base64
import binascii
import os
import socket
import ssl
import sys
import threading
import time

from aiosmtpd.smtp import SMTP, AuthResult


class Store:
    def __init__(self, folder, refuse, stall=None):
        self.folder = folder
        self.refuse = refuse
        self.stall = stall
        self.count = 0
        self.lock = threading.Lock()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.refuse and self.refuse in address:
            return "550 5.1.1 Recipient refused"
        if self.stall and self.stall in address:
            await asyncio.sleep(600)
        envelope.rcpt_tos.append(address)
        envelope.rcpt_options.extend(rcpt_options)
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


class BearerLogins:
    """XOAUTH2 and OAUTHBEARER against the tokens a file lists."""

    def __init__(self, tokens_file):
        self.tokens_file = tokens_file

    def _valid(self, token):
        try:
            with open(self.tokens_file) as f:
                lines = f.read().split("\n")
        except OSError:
            return False
        now = time.time()
        for line in lines:
            words = line.split()
            if words and words[0] == token:
                return len(words) < 2 or float(words[1]) > now
        return False

    async def _login(self, server, args, user_and_token):
        if len(args) < 2:
            return AuthResult(success=False, handled=False)
        try:
            fields = base64.b64decode(args[1], validate=True).decode("utf-8")
        except (binascii.Error, UnicodeDecodeError):
            return AuthResult(success=False, handled=False)
        user, token = user_and_token(fields)
        if user and token is not None and self._valid(token):
            return AuthResult(success=True, auth_data=user)
        # The error challenge; what the client answers does not matter.
        await server.challenge_auth('{"status":"401","schemes":"bearer"}')
        return AuthResult(success=False, handled=False)

    async def auth_XOAUTH2(self, server, args):
        # user=NAME ^A auth=Bearer TOKEN ^A ^A
        def parse(fields):
            parts = dict(p.split("=", 1) for p in fields.split("\x01") if "=" in p)
            auth = parts.get("auth", "")
            return parts.get("user"), auth[7:] if auth.startswith("Bearer ") else None
        return await self._login(server, args, parse)

    async def auth_OAUTHBEARER(self, server, args):
        # n,a=NAME, ^A host=.. ^A port=.. ^A auth=Bearer TOKEN ^A ^A
        def parse(fields):
            header, _, rest = fields.partition("\x01")
            user = header[4:-1] if header.startswith("n,a=") else None
            parts = dict(p.split("=", 1) for p in rest.split("\x01") if "=" in p)
            auth = parts.get("auth", "")
            return user, auth[7:] if auth.startswith("Bearer ") else None
        return await self._login(server, args, parse)


class RecordingSMTP(SMTP):
    """Writes down every command line with whether it came encrypted."""

    def __init__(self, handler, transcript, implicit_tls, fault, **kwargs):
        super().__init__(handler, **kwargs)
        self._transcript = transcript
        self._implicit_tls = implicit_tls
        self._fault = fault

    def connection_made(self, transport):
        # aiosmtpd writes a reply of several lines one line at a time; with
        # Nagle's algorithm each line after the first would wait for the
        # client's delayed acknowledgement, a stall of this peer that would
        # hide what the client costs.
        sock = transport.get_extra_info("socket")
        if sock is not None:
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        super().connection_made(transport)

    def _client_connected_cb(self, reader, writer):
        super()._client_connected_cb(reader, writer)
        original = reader.readuntil

        async def recording_readuntil(separator=b"\n"):
            line = await original(separator)
            # Commands are read up to LF; message lines up to CR LF.
            if separator == b"\n":
                encrypted = self._implicit_tls or self._tls_protocol is not None
                text = line.rstrip(b"\r\n").decode("latin-1")
                with open(self._transcript, "a") as f:
                    f.write(("tls " if encrypted else "clear ") + text + "\n")
            return line

        reader.readuntil = recording_readuntil

    async def smtp_STARTTLS(self, arg):
        if self._fault == "garbage":
            await self.push("220 Ready to start TLS")
            self.transport.write(b"this is not a TLS record\r\n")
            self.transport.close()
            return
        if self._fault == "inject":
            self.transport.write(b"220 Ready to start TLS\r\n250 injected\r\n")
            original_push = self.push

            async def push_nothing_once(status):
                self.push = original_push

            self.push = push_nothing_once
        await super().smtp_STARTTLS(arg)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("mode", choices=["plain", "starttls", "tls"])
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--mechanisms", default="LOGIN,PLAIN")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--starttls-fault", choices=["garbage", "inject"])
    parser.add_argument("--refuse")
    parser.add_argument("--stall")
    parser.add_argument("--tokens-file")
    args = parser.parse_args()

    context = None
    if args.mode != "plain":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)

    offered = {m.strip().upper() for m in args.mechanisms.split(",") if m.strip()}
    excluded = [m for m in ("LOGIN", "PLAIN", "XOAUTH2", "OAUTHBEARER") if m not in offered]

    def authenticator(server, session, envelope, mechanism, auth_data):
        if args.user is None:
            return AuthResult(success=True, auth_data=auth_data)
        ok = (auth_data.login.decode("utf-8", "replace") == args.user and
              auth_data.password.decode("utf-8", "replace") == args.password)
        return AuthResult(success=ok, handled=False, auth_data=auth_data)

    transcript = os.path.join(args.folder, "transcript.txt")
    store = Store(args.folder, args.refuse, args.stall)
    if args.tokens_file:
        bearer = BearerLogins(args.tokens_file)
        store.auth_XOAUTH2 = bearer.auth_XOAUTH2
        store.auth_OAUTHBEARER = bearer.auth_OAUTHBEARER
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)

    def factory():
        kwargs = dict(hostname="sink.test", loop=loop, authenticator=authenticator,
                      auth_exclude_mechanism=excluded)
        if args.mode == "starttls":
            kwargs.update(tls_context=context, require_starttls=True, auth_require_tls=True)
        else:
            kwargs.update(auth_require_tls=False)
        return RecordingSMTP(store, transcript, args.mode == "tls", args.starttls_fault,
                             **kwargs)

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    server = loop.run_until_complete(
        loop.create_server(factory, sock=listener,
                           ssl=context if args.mode == "tls" else None))
    print("PORT %d" % listener.getsockname()[1], flush=True)

    def wait_stdin():
        sys.stdin.read()
        loop.call_soon_threadsafe(loop.stop)

    threading.Thread(target=wait_stdin, daemon=True).start()
    loop.call_later(600, loop.stop)
    loop.run_forever()
    server.close()
    loop.close()


if __name__ == "__main__":
    main()
