#!/usr/bin/python3
"""Web servers for the HTTP client's tests, all on 127.0.0.1 with ports the system picks.

Usage: http_test_server.py FOLDER

Makes a test CA and server certificates in FOLDER/certs, serves FOLDER/files under /files/,
and writes "name port" lines to FOLDER/ports once every server listens: "http" (plain),
"good" (certificate from the CA for IP 127.0.0.1), "wrongname" (from the CA, for another host
name), "expired" (from the CA, validity over) and "untrusted" (self-signed). Exits when the
process that started it goes away.
"""

import base64
import datetime
import ipaddress
import os
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.x509.oid import NameOID

EXPECTED_AUTHORIZATION = "Basic " + base64.b64encode(b"user:secret").decode()


def openssl(*args):
    done = subprocess.run(["openssl", *args], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit("openssl %s failed:\n%s" % (" ".join(args), done.stderr))


def make_certificates(folder):
    """Returns {server name: (certificate file, key file)}."""
    os.makedirs(folder, exist_ok=True)
    path = lambda name: os.path.join(folder, name)
    curve = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    openssl("req", "-x509", *curve, "-keyout", path("ca.key"), "-out", path("ca.pem"),
            "-days", "30", "-subj", "/CN=Vorlanth Test CA")

    def issue(name, alt_name):
        with open(path(name + ".ext"), "w") as ext:
            ext.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\n"
                      "extendedKeyUsage=serverAuth\n" % alt_name)
        openssl("req", "-new", *curve, "-keyout", path(name + ".key"), "-out",
                path(name + ".csr"), "-subj", "/CN=" + name)
        openssl("x509", "-req", "-in", path(name + ".csr"), "-CA", path("ca.pem"), "-CAkey",
                path("ca.key"), "-CAcreateserial", "-days", "30", "-extfile", path(name + ".ext"),
                "-out", path(name + ".pem"))

    issue("good", "IP:127.0.0.1")
    issue("wrongname", "DNS:other.example")
    openssl("req", "-x509", *curve, "-keyout", path("untrusted.key"), "-out",
            path("untrusted.pem"), "-days", "30", "-subj", "/CN=127.0.0.1", "-addext",
            "subjectAltName=IP:127.0.0.1")
    make_expired(path)
    return {name: (path(name + ".pem"), path(name + ".key"))
            for name in ("good", "wrongname", "expired", "untrusted")}


def make_expired(path):
    """A certificate from the test CA for 127.0.0.1 whose validity ended a month ago."""
    with open(path("ca.pem"), "rb") as f:
        ca_cert = x509.load_pem_x509_certificate(f.read())
    with open(path("ca.key"), "rb") as f:
        ca_key = serialization.load_pem_private_key(f.read(), password=None)
    key = ec.generate_private_key(ec.SECP256R1())
    now = datetime.datetime.utcnow()
    cert = (x509.CertificateBuilder()
            .subject_name(x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "expired")]))
            .issuer_name(ca_cert.subject)
            .public_key(key.public_key())
            .serial_number(x509.random_serial_number())
            .not_valid_before(now - datetime.timedelta(days=60))
            .not_valid_after(now - datetime.timedelta(days=30))
            .add_extension(x509.SubjectAlternativeName(
                [x509.IPAddress(ipaddress.ip_address("127.0.0.1"))]), critical=False)
            .sign(ca_key, hashes.SHA256()))
    with open(path("expired.pem"), "wb") as f:
        f.write(cert.public_bytes(serialization.Encoding.PEM))
    with open(path("expired.key"), "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM,
                                  serialization.PrivateFormat.PKCS8,
                                  serialization.NoEncryption()))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    files_folder = ""

    def setup(self):
        # The handshake runs here, in the connection's thread, not in the accepting loop.
        if isinstance(self.request, ssl.SSLSocket):
            self.request.settimeout(10)
            self.request.do_handshake()
        super().setup()

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.route()

    def do_POST(self):
        self.route()

    def reply(self, status, body, content_type, headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def route(self):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        length = int(self.headers.get("Content-Length") or 0)
        request_body = self.rfile.read(length) if length else b""
        if url.path.startswith("/files/"):
            name = os.path.basename(url.path)
            try:
                with open(os.path.join(self.files_folder, name), "rb") as f:
                    self.reply(200, f.read(), "application/octet-stream")
            except OSError:
                self.reply(404, b"<html>not here</html>", "text/html")
        elif url.path.startswith("/echo"):
            # The request as received: request line, header lines, empty line, body.
            lines = [self.requestline] + ["%s: %s" % item for item in self.headers.items()]
            self.reply(200, ("\n".join(lines) + "\n\n").encode("latin-1") + request_body,
                       "text/plain; charset=utf-8")
        elif url.path == "/redirect":
            self.reply(int(query["code"][0]), b"moved", "text/plain",
                       [("Location", query["to"][0])])
        elif url.path == "/auth":
            if self.headers.get("Authorization") == EXPECTED_AUTHORIZATION:
                self.reply(200, b"welcome", "text/plain")
            else:
                self.reply(401, b"denied", "text/plain",
                           [("WWW-Authenticate", 'Basic realm="vorlanth"')])
        elif url.path == "/slow":
            time.sleep(120)
            self.reply(200, b"late", "text/plain")
        elif url.path == "/zeros":
            megabytes = int(query["mb"][0])
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(megabytes << 20))
            self.end_headers()
            piece = bytes(1 << 20)
            for _ in range(megabytes):
                self.wfile.write(piece)
        elif url.path == "/truncated":
            # Promises more than it sends, then hangs up.
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"x" * 1000)
            self.close_connection = True
        else:
            self.reply(404, b"<html>not here</html>", "text/html")


class QuietServer(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # failed handshakes are what some tests ask for


def start(certificate=None):
    server = QuietServer(("127.0.0.1", 0), Handler)
    if certificate:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*certificate)
        server.socket = context.wrap_socket(server.socket, server_side=True,
                                            do_handshake_on_connect=False)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def main():
    folder = sys.argv[1]
    parent = os.getppid()
    Handler.files_folder = os.path.join(folder, "files")
    certificates = make_certificates(os.path.join(folder, "certs"))
    ports = {"http": start()}
    for name, certificate in certificates.items():
        ports[name] = start(certificate)
    with open(os.path.join(folder, "ports.tmp"), "w") as f:
        f.writelines("%s %d\n" % item for item in ports.items())
    os.replace(os.path.join(folder, "ports.tmp"), os.path.join(folder, "ports"))
    while os.getppid() == parent:
        time.sleep(0.5)
    os._exit(0)


if __name__ == "__main__":
    main()
