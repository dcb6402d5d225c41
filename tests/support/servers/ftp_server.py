#!/usr/bin/env python3
"""An FTP server for the upload tests: one user, one root folder, on a free port of
127.0.0.1. Prints "PORT <n>" once it listens; writes every command it receives to the log.

  ftp_server.py ROOT USER PASSWORD LOG [--tls CERT KEY] [--drop-after BYTES] [--no-list]

--tls requires explicit TLS (AUTH TLS) on the control and the data connections.
--drop-after closes the whole session (plain FTP only) once a STOR of a file whose name
contains "drop" has received that many bytes.
--no-list takes the right to list folders from the user: LIST and NLST are refused.
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.log import config_logging
from pyftpdlib.handlers import DTPHandler, FTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer

parser = argparse.ArgumentParser()
parser.add_argument("root")
parser.add_argument("user")
parser.add_argument("password")
parser.add_argument("log")
parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
parser.add_argument("--drop-after", type=int, default=0)
parser.add_argument("--no-list", action="store_true")
options = parser.parse_args()

log = open(options.log, "a", buffering=1)


def make_dtp(base):
    class Dtp(base):
        def readable(self):
            # libcurl starts TLS on a data connection as soon as it is open, before its STOR
            # arrives; pyftpdlib would take that early handshake for a closed connection.
            if getattr(self, "_ssl_accepting", False):
                return True
            return super().readable()

    if base is not DTPHandler or not options.drop_after:
        return Dtp

    class DroppingDtp(Dtp):
        def handle_read(self):
            super().handle_read()
            name = str(getattr(self.file_obj, "name", "") or "")
            if "drop" in name and self.tot_bytes_received >= options.drop_after:
                log.write("DROPPED\n")
                self.cmd_channel.close()

        handle_read_event = handle_read

    return DroppingDtp


def make_handler(base, dtp):
    class Handler(base):
        dtp_handler = make_dtp(dtp)

        def pre_process_command(self, line, cmd, arg):
            log.write((line if cmd != "PASS" else "PASS ***") + "\n")
            super().pre_process_command(line, cmd, arg)

    return Handler


authorizer = DummyAuthorizer()
authorizer.add_user(options.user, options.password, options.root,
                    perm="eradfmwMT" if options.no_list else "elradfmwMT")
if options.tls:
    handler = make_handler(TLS_FTPHandler, TLS_DTPHandler)
    handler.certfile, handler.keyfile = options.tls
    handler.tls_control_required = True
    handler.tls_data_required = True
else:
    handler = make_handler(FTPHandler, DTPHandler)
handler.authorizer = authorizer
handler.auth_failed_timeout = 0.1
handler.passive_ports = None
config_logging(level=logging.WARNING)
server = FTPServer(("127.0.0.1", 0), handler)
print("PORT", server.socket.getsockname()[1], flush=True)
sys.stdout.close()
server.serve_forever()
