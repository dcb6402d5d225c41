#!/usr/bin/env python3
"""A web server for the script calls of the upload tests, on a free port of 127.0.0.1.
Prints "PORT <n>" once it listens; writes the path of every request to the log and answers
with the file of that path in the folder "pages" beside the log when there is one, else
with a small HTML page that names the path.

  http_server.py LOG
"""
import http.server
import mimetypes
import os
import sys
import urllib.parse

log = open(sys.argv[1], "a", buffering=1)
pages = os.path.join(os.path.dirname(os.path.abspath(sys.argv[1])), "pages")


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        log.write(self.path + "\n")
        name = urllib.parse.unquote(self.path.split("?")[0]).lstrip("/")
        page = os.path.join(pages, name)
        content_type = "text/html; charset=utf-8"
        if name and os.path.isfile(page):
            with open(page, "rb") as stored:
                body = stored.read()
            content_type = mimetypes.guess_type(page)[0] or "application/octet-stream"
        else:
            body = ("<html><body><p>Klaar: %s</p></body></html>" % self.path).encode()
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print("PORT", server.server_address[1], flush=True)
sys.stdout.close()
server.serve_forever()
