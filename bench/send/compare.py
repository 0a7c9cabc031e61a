#!/usr/bin/python3
"""Side-by-side send rate: send_bench against Python's smtplib.

Both deliver N copies of the mailing window's message, one connection per
message, logging in when the server offers it. Sinks, on loopback only:
  - Postfix's smtp-sink tool (throughput; no login offered), when installed;
  - Debian's aiosmtpd with AUTH LOGIN (the login path).
With --security starttls (STARTTLS required) or tls (implicit TLS), or both
as starttls,tls, the sink is aiosmtpd with TLS and a certificate made here
with the openssl command line; SSL_CERT_FILE points both clients at its
authority. smtplib then does SMTP + starttls(), or SMTP_SSL.
Each sink's count must equal N. Run with Debian's python3:
  /usr/bin/python3 bench/send/compare.py --bench build/release/bench/send/send_bench
"""
import argparse
import os
import re
import shutil
import smtplib
import ssl
import subprocess
import sys
import tempfile
import time

# The message both peers send, written once.
from smtplib_peer import message_bytes

HERE = os.path.dirname(os.path.abspath(__file__))
SINK_SCRIPT = os.path.join(HERE, "..", "..", "tests", "support", "SinkAiosmtpd.py")


def listening_port(pid, seconds=10):
    """The loopback port a process listens on after binding port 0 itself:
    its socket inodes matched against /proc/net/tcp. None if none appears."""
    limit = time.monotonic() + seconds
    while time.monotonic() < limit:
        inodes = set()
        try:
            for fd in os.listdir("/proc/%d/fd" % pid):
                target = os.readlink("/proc/%d/fd/%s" % (pid, fd))
                if target.startswith("socket:["):
                    inodes.add(target[8:-1])
            with open("/proc/net/tcp") as table:
                next(table)
                for row in table:
                    field = row.split()
                    # state 0A is LISTEN; the local address is HEXIP:HEXPORT.
                    if field[3] == "0A" and field[9] in inodes:
                        return int(field[1].split(":")[1], 16)
        except OSError:
            return None
        time.sleep(0.05)
    return None


def smtplib_run(port, count, user, password, security="none"):
    # The default context checks the certificate against SSL_CERT_FILE.
    context = ssl.create_default_context() if security != "none" else None
    start = time.monotonic()
    for i in range(count):
        rcpt = "dest%d@example.it" % i
        if security == "tls":
            client = smtplib.SMTP_SSL("127.0.0.1", port, timeout=10, context=context)
        else:
            client = smtplib.SMTP("127.0.0.1", port, timeout=10)
        with client as s:
            s.ehlo()
            if security == "starttls":
                s.starttls(context=context)
                s.ehlo()
            if user and s.has_extn("auth"):
                s.login(user, password)
            s.sendmail(user or "bench@example.it", [rcpt], message_bytes(user or "bench@example.it", rcpt))
    return count / (time.monotonic() - start)


def bench_run(binary, port, count, user, password, security="none"):
    cmd = [binary, "--host", "127.0.0.1", "--port", str(port), "--count", str(count),
           "--security", security]
    env = dict(os.environ)
    if user:
        cmd += ["--user", user, "--password-from", "env"]
        env["SEND_BENCH_PASSWORD"] = password
    out = subprocess.run(cmd, capture_output=True, text=True, timeout=600, env=env)
    if out.returncode != 0:
        sys.stdout.write(out.stderr)
        raise SystemExit("send_bench failed")
    return float(re.search(r"([0-9.]+) messages/s", out.stdout).group(1))


class SmtpSink:
    def __init__(self):
        self.out = tempfile.TemporaryFile()
        # Port 0: the tool binds a port of its own, read back from /proc.
        self.proc = subprocess.Popen(["smtp-sink", "-a", "-c", "-u", "nobody",
                                      "127.0.0.1:0", "256"], stdout=self.out,
                                     stderr=subprocess.STDOUT)
        self.port = listening_port(self.proc.pid)
        if self.port is None:
            self.proc.kill()
            self.proc.wait(timeout=10)
            raise SystemExit("smtp-sink did not start")

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)
        self.out.seek(0)
        counts = re.findall(rb"mesg=(\d+)", self.out.read())
        return int(counts[-1]) if counts else 0


class AioSink:
    """aiosmtpd, plain ("plain"), STARTTLS required ("starttls") or implicit
    TLS ("tls"); it binds port 0 and prints the port it got."""

    def __init__(self, mode="plain", certificates=None):
        self.folder = tempfile.mkdtemp()
        command = ["/usr/bin/python3", SINK_SCRIPT, self.folder, mode]
        if certificates is not None:
            command += ["--cert", certificates.cert, "--key", certificates.key]
        self.proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL)
        line = self.proc.stdout.readline().split()
        if len(line) != 2 or line[0] != b"PORT":
            raise SystemExit("aiosmtpd sink did not start")
        self.port = int(line[1])

    def stop(self):
        self.proc.stdin.close()
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        count = len([f for f in os.listdir(self.folder) if f.endswith(".eml")])
        shutil.rmtree(self.folder)
        return count


class Certificates:
    """A throwaway authority and a server certificate for 127.0.0.1."""

    def __init__(self):
        self.folder = tempfile.mkdtemp()
        self.ca = os.path.join(self.folder, "ca.pem")
        self.cert = os.path.join(self.folder, "server.pem")
        self.key = os.path.join(self.folder, "server.key")
        ca_key = os.path.join(self.folder, "ca.key")
        csr = os.path.join(self.folder, "server.csr")
        key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
        run = lambda cmd: subprocess.run(cmd, check=True, capture_output=True, timeout=60)
        run(["openssl", "req", "-x509", *key, "-days", "2", "-keyout", ca_key, "-out", self.ca,
             "-subj", "/CN=Bench CA", "-addext", "basicConstraints=critical,CA:TRUE",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign"])
        run(["openssl", "req", *key, "-keyout", self.key, "-out", csr, "-subj", "/CN=localhost",
             "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"])
        run(["openssl", "x509", "-req", "-in", csr, "-CA", self.ca, "-CAkey", ca_key,
             "-CAcreateserial", "-days", "2", "-copy_extensions", "copy", "-out", self.cert])

    def remove(self):
        shutil.rmtree(self.folder)


def compare(label, make_sink, binary, count, user, password, rounds, security="none"):
    """Best of `rounds` alternating runs per client: the machine is shared."""
    print(label)
    rates = {"send_bench": 0.0, "smtplib": 0.0}
    runners = (("send_bench", lambda p: bench_run(binary, p, count, user, password, security)),
               ("smtplib", lambda p: smtplib_run(p, count, user, password, security)))
    for _ in range(rounds):
        for name, run in runners:
            sink = make_sink()
            try:
                rate = run(sink.port)
            finally:
                got = sink.stop()
            if got != count:
                raise SystemExit("%s: sink count %d differs from N = %d" % (name, got, count))
            rates[name] = max(rates[name], rate)
    for name in rates:
        print("  %-10s %8.1f messages/s  (best of %d; sink count %d of %d each time)"
              % (name, rates[name], rounds, count, count))
    print("  ratio send_bench / smtplib: %.2fx" % (rates["send_bench"] / rates["smtplib"]))
    return rates


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bench", required=True, help="path of the send_bench program")
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--security", default="none",
                        help="none, starttls, tls, or a comma-separated list of them")
    args = parser.parse_args()
    if not 0 < args.count <= 100000 or not 0 < args.rounds <= 10:
        raise SystemExit("--count must be 1..100000, --rounds 1..10")
    modes = [m.strip() for m in args.security.split(",")]
    if not modes or any(m not in ("none", "starttls", "tls") for m in modes):
        raise SystemExit("--security takes none, starttls, tls, or a list of them")
    user, password = "bench@example.it", "segreta"
    if "none" in modes:
        if shutil.which("smtp-sink"):
            compare("smtp-sink (no login offered):", SmtpSink, args.bench, args.count, "", "",
                    args.rounds)
        else:
            print("smtp-sink not installed (Debian package postfix): throughput figure skipped")
        compare("aiosmtpd with AUTH LOGIN:", AioSink, args.bench, args.count, user, password,
                args.rounds)
    tls_modes = [m for m in modes if m != "none"]
    if not tls_modes:
        return
    certificates = Certificates()
    os.environ["SSL_CERT_FILE"] = certificates.ca
    try:
        for mode in tls_modes:
            label = {"starttls": "aiosmtpd requiring STARTTLS, AUTH LOGIN after it:",
                     "tls": "aiosmtpd with implicit TLS, AUTH LOGIN:"}[mode]
            compare(label, lambda m=mode: AioSink(m, certificates), args.bench, args.count,
                    user, password, args.rounds, mode)
    finally:
        certificates.remove()


if __name__ == "__main__":
    main()
