#!/usr/bin/env python3
"""A web server for the script calls of the upload tests, on a free port of 127.0.0.1.
Prints "PORT <n>" once it listens; writes the path of every request to the log and answers
with a small HTML page that names it.

  http_server.py LOG
"""
import http.server
import sys

log = open(sys.argv[1], "a", buffering=1)


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        log.write(self.path + "\n")
        body = ("<html><body><p>Klaar: %s</p></body></html>" % self.path).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print("PORT", server.server_address[1], flush=True)
sys.stdout.close()
server.serve_forever()
