#!/usr/bin/env python3
"""An SMTP server for the mail tests on a free port of 127.0.0.1 (aiosmtpd). Prints
"PORT <n>" once it listens. Every message is parsed with Python's email package into the
folder OUT: mail-<n>.txt holds "FROM", "RCPT", "SUBJECT" (decoded) and one "ATTACH <type>
<name>" line per attachment in order; mail-<n>.body the decoded text; mail-<n>-<k> the
decoded bytes of the k-th attachment; mail-<n>.eml the message as received. auth.log
has a line "AUTH <mechanism>" for every login attempt.

  smtp_server.py OUT [--starttls CERT KEY] [--ssl CERT KEY] [--login USER PASSWORD]
                     [--silent] [--stall] [--refuse N]

--starttls requires STARTTLS before anything else; --ssl speaks TLS from the start;
--login requires AUTH (LOGIN or PLAIN) with these credentials; --silent accepts
connections and never says a word; --stall talks until the message has arrived and then
never answers it; --refuse N refuses the N-th message that arrives (counting refused ones)
and takes the ones after it.
"""
import argparse
import asyncio
import email
import email.header
import email.policy
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

parser = argparse.ArgumentParser()
parser.add_argument("out")
parser.add_argument("--starttls", nargs=2, metavar=("CERT", "KEY"))
parser.add_argument("--ssl", nargs=2, metavar=("CERT", "KEY"))
parser.add_argument("--login", nargs=2, metavar=("USER", "PASSWORD"))
parser.add_argument("--silent", action="store_true")
parser.add_argument("--stall", action="store_true")
parser.add_argument("--refuse", type=int, default=0)
options = parser.parse_args()


def tls_context(pair):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(*pair)
    return context


class Handler:
    count = 0
    arrived = 0

    async def handle_DATA(self, server, session, envelope):
        if options.stall:
            await asyncio.sleep(3600)
        Handler.arrived += 1
        if Handler.arrived == options.refuse:
            return "554 5.7.1 Message refused"
        Handler.count += 1
        base = os.path.join(options.out, "mail-%d" % Handler.count)
        with open(base + ".eml", "wb") as raw:
            raw.write(envelope.original_content or envelope.content)
        message = email.message_from_bytes(envelope.original_content or envelope.content,
                                           policy=email.policy.default)
        lines = ["FROM " + envelope.mail_from]
        lines += ["RCPT " + address for address in envelope.rcpt_tos]
        lines.append("SUBJECT " + str(message["Subject"]))
        body = message.get_body(preferencelist=("plain",))
        with open(base + ".body", "w", encoding="utf-8") as text:
            text.write(body.get_content() if body is not None else "")
        for number, part in enumerate(message.iter_attachments(), 1):
            lines.append("ATTACH %s %s" % (part.get_content_type(), part.get_filename()))
            with open("%s-%d" % (base, number), "wb") as data:
                data.write(part.get_payload(decode=True))
        # The summary last: its presence says the message is complete.
        with open(base + ".tmp", "w", encoding="utf-8") as summary:
            summary.write("\n".join(lines) + "\n")
        os.rename(base + ".tmp", base + ".txt")
        return "250 Message accepted for delivery"


def authenticate(server, session, envelope, mechanism, data):
    good = (isinstance(data, LoginPassword) and
            data.login.decode() == options.login[0] and data.password.decode() == options.login[1])
    return AuthResult(success=good, handled=False)


class RecordingSMTP(SMTP):
    async def smtp_AUTH(self, arg):
        with open(os.path.join(options.out, "auth.log"), "a", encoding="utf-8") as log:
            log.write("AUTH %s\n" % (arg or "").split(" ")[0].upper())
        await super().smtp_AUTH(arg)


def make_smtp():
    arguments = {"hostname": "fotoloom.test"}
    if options.starttls:
        arguments.update(tls_context=tls_context(options.starttls), require_starttls=True)
    if options.login:
        arguments.update(authenticator=authenticate, auth_required=True,
                         auth_require_tls=not options.ssl and bool(options.starttls))
    return RecordingSMTP(Handler(), **arguments)


class Silent(asyncio.Protocol):
    def connection_made(self, transport):
        self.transport = transport


async def main():
    loop = asyncio.get_running_loop()
    factory = Silent if options.silent else make_smtp
    context = tls_context(options.ssl) if options.ssl else None
    server = await loop.create_server(factory, "127.0.0.1", 0, ssl=context)
    print("PORT", server.sockets[0].getsockname()[1], flush=True)
    sys.stdout.close()
    async with server:
        await server.serve_forever()


asyncio.run(main())
