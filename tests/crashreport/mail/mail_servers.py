#!/usr/bin/python3
"""Loopback mail and name servers for the crash library's mail tests.

  mail_servers.py start DIR   start the servers in the background, write DIR/pid, return when
                              they listen
  mail_servers.py stop DIR    end them

All servers listen on one port that was free on every address they take (several test runs share
a machine); it is written to DIR/port before DIR/ready appears. A real SMTP server (aiosmtpd) on
127.30.0.1 stores every message it takes, parsed by Python's email package, as DIR/received.json.
Scripted servers on 127.30.0.2 and up play one peer each and write every line they read to
DIR/<address>.log. Scripted name servers on 127.30.1.x (UDP) write every question they get
("name type") to DIR/<address>.log.
"""
import asyncio
import base64
import email
import email.header
import json
import os
import random
import signal
import socket
import struct
import sys
import time

REAL = "127.30.0.1"
# Ports tried for the servers: above the well-known ones, below the system's ephemeral range.
PORT_RANGE = (20000, 32000)


def received_record(envelope):
    message = email.message_from_bytes(envelope.original_content)
    subject = str(email.header.make_header(email.header.decode_header(message["Subject"])))
    parts = []
    for part in message.walk():
        if part.is_multipart():
            continue
        payload = part.get_payload(decode=True) or b""
        parts.append({
            "type": part.get_content_type(),
            "filename": part.get_filename() or "",
            "hex": payload.hex(),
        })
    return {
        "mail_from": envelope.mail_from,
        "rcpt_tos": envelope.rcpt_tos,
        "to": message["To"],
        "from": message["From"],
        "subject": subject,
        "date": message["Date"],
        "message_id": message["Message-ID"],
        "parts": parts,
    }


class Store:
    def __init__(self, directory):
        self.path = os.path.join(directory, "received.json")

    async def handle_DATA(self, server, session, envelope):
        records = []
        if os.path.exists(self.path):
            with open(self.path) as f:
                records = json.load(f)
        records.append(received_record(envelope))
        with open(self.path + ".new", "w") as f:
            json.dump(records, f)
        os.replace(self.path + ".new", self.path)
        return "250 OK"


# Each scripted peer: its greeting, its EHLO answer (None refuses EHLO), and its answers to QUIT.
# A list of replies is sent in pieces with a pause between them.
SCRIPTS = {
    # Offers AUTH LOGIN in a multi-line reply that comes in two receives.
    "127.30.0.2": {"ehlo": ["250-peer\r\n250-SIZE 1000\r\n250-AU", "TH=LOGIN PLAIN\r\n250 HELP\r\n"]},
    # Refuses EHLO, takes HELO.
    "127.30.0.3": {"ehlo": None},
    # EHLO without AUTH; refuses one recipient.
    "127.30.0.4": {"ehlo": ["250-peer\r\n250 8BITMIME\r\n"]},
    # Begins its greeting and never ends it.
    "127.30.0.5": {"greeting": ["220-welcome\r\n"], "hang": True},
    # A greeting line without end, longer than any buffer.
    "127.30.0.6": {"greeting": ["220 " + "x" * 70000], "hang": True},
    # Answers QUIT with an error.
    "127.30.0.7": {"quit": "500 no\r\n"},
    # Takes DATA and then stops reading.
    "127.30.0.8": {"stall": True},
}
# The accounts AUTH LOGIN takes (the second with a password long enough to be enciphered whole).
ACCOUNTS = {("crash-user", "s3cr=t"), ("crash-user", "s3cr=t in a longer phrase")}


# Name servers. Names inside records are written as labels; a dotted address stays reachable
# without any lookup.
def labels(name):
    return b"".join(bytes([len(part)]) + part.encode() for part in name.split(".") if part) + b"\0"


def record(rtype, rdata):
    # The owner name points at the question's name.
    return struct.pack(">HHHIH", 0xC00C, rtype, 1, 60, len(rdata)) + rdata


def mx(preference, exchange):
    return record(15, struct.pack(">H", preference) + exchange)


def ns(host):
    return record(2, labels(host))


# (server, name, type) -> (rcode, answers, authority); missing entries answer with no records.
ZONES = {
    # The first MX has the higher preference; its exchange points back into the question.
    ("127.30.1.1", "x.test", 15): (0, [mx(20, b"\x04mx20\xc0\x0c"), mx(10, labels("mx10.x.test"))], []),
    ("127.30.1.1", "b.c.d", 15): (0, [mx(5, labels("mx.b.c.d"))], []),
    ("127.30.1.1", "direct.test", 15): (0, [mx(5, labels(REAL))], []),
    ("127.30.1.10", "x.test", 2): (0, [], [ns("127.30.1.11")]),
    ("127.30.1.11", "x.test", 2): (0, [], [ns("127.30.1.12")]),
    ("127.30.1.12", "x.test", 2): (0, [ns("127.30.1.1")], []),
}
NAME_SERVERS = ["127.30.1.1", "127.30.1.2", "127.30.1.3", "127.30.1.10", "127.30.1.11",
                "127.30.1.12"]


def question(packet):
    position, parts = 12, []
    while packet[position]:
        parts.append(packet[position + 1:position + 1 + packet[position]].decode())
        position += 1 + packet[position]
    qtype = struct.unpack(">H", packet[position + 1:position + 3])[0]
    return ".".join(parts), qtype, position + 5


def reply(packet, rcode, answers, authority, counts=None):
    an, ns_ = counts or (len(answers), len(authority))
    _, _, end = question(packet)
    header = packet[:2] + struct.pack(">HHHHH", 0x8180 | rcode, 1, an, ns_, 0)
    return header + packet[12:end] + b"".join(answers) + b"".join(authority)


def hostile_replies(packet):
    # A pointer loop, a pointer past the end, counts beyond the data, a label past the record.
    # (The loop's offset 38 is the exchange's first label after the question "x.test".)
    yield reply(packet, 0, [mx(1, b"\x01a\xc0\x26")], [])
    yield reply(packet, 0, [record(15, b"\x00\x01\xc1\xff")], [])
    yield reply(packet, 0, [], [], (40, 0))
    yield reply(packet, 0, [record(15, b"\x00\x01\x3fab")], [])


class NameServer(asyncio.DatagramProtocol):
    def __init__(self, address):
        self.address = address
        self.questions = 0

    def connection_made(self, transport):
        self.transport = transport

    def datagram_received(self, packet, peer):
        name, qtype, _ = question(packet)
        with open(os.path.join(DIRECTORY, self.address + ".log"), "a") as log:
            log.write("%s %d\n" % (name, qtype))
        if self.address == "127.30.1.2":
            self.transport.sendto(reply(packet, 3, [], []), peer)
        elif self.address == "127.30.1.3":
            # One reply per question, each question the next kind.
            hostile = list(hostile_replies(packet))
            self.transport.sendto(hostile[self.questions % len(hostile)], peer)
            self.questions += 1
        else:
            rcode, answers, authority = ZONES.get((self.address, name, qtype), (0, [], []))
            # The good answer comes last, after what the other servers send.
            loop = asyncio.get_running_loop()
            loop.call_later(0.2, self.transport.sendto, reply(packet, rcode, answers, authority), peer)


async def scripted(reader, writer):
    address = writer.get_extra_info("sockname")[0]
    script = SCRIPTS[address]
    log = open(os.path.join(DIRECTORY, address + ".log"), "a", newline="")

    async def send(pieces):
        if isinstance(pieces, str):
            pieces = [pieces]
        for i, piece in enumerate(pieces):
            if i:
                await asyncio.sleep(0.3)
            writer.write(piece.encode("latin-1"))
            await writer.drain()

    async def line():
        data = await reader.readline()
        text = data.decode("latin-1").rstrip("\r\n")
        log.write(text + "\n")
        log.flush()
        return text if data else None

    try:
        await send(script.get("greeting", ["220 scripted\r\n"]))
        if script.get("hang"):
            await asyncio.sleep(30)
            return
        while True:
            command = await line()
            if command is None:
                return
            verb = command.split(" ")[0].split(":")[0].upper()
            if verb == "EHLO":
                await send(script["ehlo"] if script.get("ehlo") else "502 no\r\n")
            elif verb == "HELO":
                await send("250 peer\r\n")
            elif verb == "AUTH":
                await send("334 VXNlcm5hbWU6\r\n")
                user = base64.b64decode(await line()).decode()
                await send("334 UGFzc3dvcmQ6\r\n")
                password = base64.b64decode(await line()).decode()
                await send("235 ok\r\n" if (user, password) in ACCOUNTS else "535 no\r\n")
            elif verb == "RCPT":
                await send("550 unknown\r\n" if "nobody" in command else "250 ok\r\n")
            elif verb == "DATA":
                await send("354 go\r\n")
                if script.get("stall"):
                    await asyncio.sleep(60)
                    return
                while (await line()) not in (".", None):
                    pass
                await send("250 taken\r\n")
            elif verb == "QUIT":
                await send(script.get("quit", "221 bye\r\n"))
                return
            else:
                await send("250 ok\r\n")
    finally:
        log.close()
        writer.close()


def bind_all(port):
    """Sockets bound to the port on every server address, or None when one address has it taken."""
    sockets = []
    try:
        for address in [REAL] + list(SCRIPTS):
            s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            sockets.append(s)
            s.bind((address, port))
            s.listen(16)
        for address in NAME_SERVERS:
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            sockets.append(s)
            s.bind((address, port))
        return sockets
    except OSError:
        for s in sockets:
            s.close()
        return None


def bind_free_port():
    """A port free on every address, with its sockets bound: no other run can take it after."""
    rng = random.Random()
    for _ in range(200):
        port = rng.randrange(*PORT_RANGE)
        sockets = bind_all(port)
        if sockets:
            return port, sockets
    raise OSError("no port is free on every mail server address")


async def serve(sockets):
    from aiosmtpd.smtp import SMTP
    loop = asyncio.get_running_loop()
    stream_sockets = sockets[:1 + len(SCRIPTS)]
    datagram_sockets = sockets[1 + len(SCRIPTS):]
    store = Store(DIRECTORY)
    servers = [await loop.create_server(lambda: SMTP(store, hostname=REAL), sock=stream_sockets[0])]
    for s in stream_sockets[1:]:
        servers.append(await asyncio.start_server(scripted, sock=s))
    for address, s in zip(NAME_SERVERS, datagram_sockets):
        transport, _ = await loop.create_datagram_endpoint(lambda a=address: NameServer(a), sock=s)
        servers.append(transport)
    with open(os.path.join(DIRECTORY, "ready"), "w") as f:
        f.write("ready\n")
    try:
        await asyncio.Event().wait()
    finally:
        for server in servers:
            server.close()


def start(directory):
    os.makedirs(directory, exist_ok=True)
    for name in os.listdir(directory):
        os.remove(os.path.join(directory, name))
    try:
        port, sockets = bind_free_port()
    except OSError as error:
        print("the mail servers did not start: %s" % error, file=sys.stderr)
        return 1
    with open(os.path.join(directory, "port"), "w") as f:
        f.write("%d\n" % port)
    pid = os.fork()
    if pid == 0:
        os.setsid()
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        asyncio.run(serve(sockets))
        os._exit(0)
    for s in sockets:
        s.close()
    with open(os.path.join(directory, "pid"), "w") as f:
        f.write(str(pid))
    for _ in range(100):
        if os.path.exists(os.path.join(directory, "ready")):
            return 0
        time.sleep(0.1)
    os.kill(pid, signal.SIGTERM)
    print("the mail servers did not start", file=sys.stderr)
    return 1


def stop(directory):
    with open(os.path.join(directory, "pid")) as f:
        os.kill(int(f.read()), signal.SIGTERM)
    return 0


if __name__ == "__main__":
    DIRECTORY = os.path.abspath(sys.argv[2])
    sys.exit(start(DIRECTORY) if sys.argv[1] == "start" else stop(DIRECTORY))
