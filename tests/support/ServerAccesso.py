"""A loopback authorization server of the tests' own (authorization code with
PKCE), and the stand-in browser that follows its authorize address.

Usage: ServerAccesso.py FOLDER --client-id ID [--lifetime S] [--accepted S]
  Binds 127.0.0.1 port 0 and prints "PORT <n>". GET /authorize checks the
  client id, the S256 challenge and a redirect http://localhost:PORT/, then
  sends the browser there with a one-time code and the state. POST /token
  takes the code (same client, same redirect, the verifier whose SHA-256 is
  the challenge) or a refresh token, and issues an access token said to
  last --lifetime seconds (3600) and a new refresh token; the old refresh
  token stops working (rotation). Every access token goes to
  FOLDER/tokens as "TOKEN EXPIRY" for the SMTP peer, expiring after
  --accepted seconds (default: --lifetime). Each token request is
  appended to FOLDER/requests as its grant_type.
  Control files the test writes: FOLDER/revoked (any refresh token is then
  answered invalid_grant), FOLDER/error holding an error code the next
  authorize sends back to the browser (consent_required with an AADSTS65001
  description, access_denied, ...).
  Stops when its standard input closes, or after ten minutes.

Usage: ServerAccesso.py --browser URL
  The stand-in browser: fetches URL without following the redirect, then
  calls the Location it got (with the state changed when BRIVANO_FINTO_STATO
  is set), writes the page to BRIVANO_FINTO_PAGINA, and tries the same
  address a second time, writing "refused" to BRIVANO_FINTO_PAGINA.second
  when the connection is refused.
"""
import argparse
import base64
import hashlib
import http.client
import http.server
import json
import os
import secrets
import sys
import threading
import time
import urllib.parse


def browser(url):
    page_file = os.environ.get("BRIVANO_FINTO_PAGINA", "")
    parts = urllib.parse.urlsplit(url)
    conn = http.client.HTTPConnection(parts.hostname, parts.port, timeout=30)
    conn.request("GET", parts.path + "?" + parts.query)
    answer = conn.getresponse()
    location = answer.getheader("Location", "")
    conn.close()
    if not location:
        return 1
    if os.environ.get("BRIVANO_FINTO_STATO"):
        location = location.replace("state=", "state=x")
    back = urllib.parse.urlsplit(location)
    conn = http.client.HTTPConnection("127.0.0.1", back.port, timeout=30)
    conn.request("GET", back.path + "?" + back.query)
    page = conn.getresponse().read().decode("utf-8")
    conn.close()
    if page_file:
        with open(page_file + ".tmp", "w") as f:
            f.write(page)
        os.rename(page_file + ".tmp", page_file)
    second = "answered"
    try:
        conn = http.client.HTTPConnection("127.0.0.1", back.port, timeout=10)
        conn.request("GET", back.path + "?" + back.query)
        conn.getresponse().read()
    except (ConnectionRefusedError, ConnectionResetError, http.client.RemoteDisconnected):
        second = "refused"
    if page_file:
        with open(page_file + ".second", "w") as f:
            f.write(second)
    return 0


def s256(verifier):
    digest = hashlib.sha256(verifier.encode()).digest()
    return base64.urlsafe_b64encode(digest).rstrip(b"=").decode()


class State:
    def __init__(self, folder, client_id, lifetime, accepted):
        self.folder = folder
        self.client_id = client_id
        self.lifetime = lifetime
        self.accepted = accepted
        self.codes = {}
        self.refresh = set()
        self.lock = threading.Lock()

    def path(self, name):
        return os.path.join(self.folder, name)

    def issue(self):
        access = "at-" + secrets.token_urlsafe(24)
        refresh = "rt-" + secrets.token_urlsafe(24)
        self.refresh.add(refresh)
        with open(self.path("tokens"), "a") as f:
            f.write("%s %f\n" % (access, time.time() + self.accepted))
        return {"access_token": access, "refresh_token": refresh, "token_type": "Bearer",
                "expires_in": self.lifetime}


def make_handler(state):
    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def reply(self, status, body, headers=()):
            data = json.dumps(body).encode() if body is not None else b""
            self.send_response(status)
            for name, value in headers:
                self.send_header(name, value)
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def do_GET(self):
            parts = urllib.parse.urlsplit(self.path)
            q = dict(urllib.parse.parse_qsl(parts.query))
            redirect = q.get("redirect_uri", "")
            if (parts.path != "/authorize" or q.get("client_id") != state.client_id or
                    q.get("response_type") != "code" or
                    q.get("code_challenge_method") != "S256" or
                    len(q.get("code_challenge", "")) != 43 or not q.get("state") or
                    not redirect.startswith("http://localhost:") or not redirect.endswith("/")):
                return self.reply(400, {"error": "invalid_request"})
            error_file = state.path("error")
            back = {"state": q["state"]}
            if os.path.exists(error_file):
                with open(error_file) as f:
                    back["error"] = f.read().strip()
                os.remove(error_file)
                back["error_description"] = "AADSTS65001: The user or administrator has not consented."
            else:
                code = "code-" + secrets.token_urlsafe(16)
                with state.lock:
                    state.codes[code] = (q["code_challenge"], redirect, q["client_id"])
                back["code"] = code
            self.reply(302, None, [("Location", redirect + "?" + urllib.parse.urlencode(back))])

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            form = dict(urllib.parse.parse_qsl(self.rfile.read(length).decode()))
            grant = form.get("grant_type", "")
            with state.lock:
                with open(state.path("requests"), "a") as f:
                    f.write(grant + "\n")
                if self.path != "/token" or form.get("client_id") != state.client_id:
                    return self.reply(401, {"error": "invalid_client"})
                if grant == "authorization_code":
                    entry = state.codes.pop(form.get("code", ""), None)
                    if (entry is None or entry[1] != form.get("redirect_uri") or
                            entry[2] != form.get("client_id") or
                            s256(form.get("code_verifier", "")) != entry[0]):
                        return self.reply(400, {"error": "invalid_grant",
                                                "error_description": "bad code or verifier"})
                    return self.reply(200, state.issue())
                if grant == "refresh_token":
                    token = form.get("refresh_token", "")
                    if os.path.exists(state.path("revoked")) or token not in state.refresh:
                        return self.reply(400, {"error": "invalid_grant",
                                                "error_description": "AADSTS70008: expired"})
                    state.refresh.discard(token)
                    return self.reply(200, state.issue())
                return self.reply(400, {"error": "unsupported_grant_type"})

    return Handler


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--browser":
        sys.exit(browser(sys.argv[2]))
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--client-id", required=True)
    parser.add_argument("--lifetime", type=int, default=3600)
    parser.add_argument("--accepted", type=float)
    args = parser.parse_args()
    state = State(args.folder, args.client_id, args.lifetime,
                  args.accepted if args.accepted is not None else args.lifetime)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), make_handler(state))
    print("PORT %d" % server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()

    def wait_stdin():
        sys.stdin.read()

    waiter = threading.Thread(target=wait_stdin, daemon=True)
    waiter.start()
    waiter.join(600)
    server.shutdown()


if __name__ == "__main__":
    main()
