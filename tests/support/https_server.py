#!/usr/bin/env python3
"""A small file server for the updater's tests: serves ROOT on 127.0.0.1 over HTTPS (or plain
HTTP with --plain) on a free port, and writes the port to PORTFILE once it listens.
A file NAME.redirect makes a GET of NAME answer 302 to the address the file holds."""
import http.server
import os
import ssl
import sys


def main():
    args = sys.argv[1:]
    plain = "--plain" in args
    args = [a for a in args if a != "--plain"]
    root, cert, key, portfile = args
    root = os.path.realpath(root)

    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *unused):
            pass

        def do_GET(self):
            path = os.path.realpath(os.path.join(root, self.path.split("?")[0].lstrip("/")))
            if not path.startswith(root + os.sep):
                self.send_error(403)
                return
            if os.path.isfile(path + ".redirect"):
                with open(path + ".redirect") as f:
                    target = f.read().strip()
                self.send_response(302)
                self.send_header("Location", target)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            if not os.path.isfile(path):
                self.send_error(404)
                return
            with open(path, "rb") as f:
                body = f.read()
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    if not plain:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(portfile + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(portfile + ".tmp", portfile)
    server.serve_forever()


main()
