#!/usr/bin/env python3
"""Scripted S7 peer (ISO-on-TCP) for the LibCorvid tests and benchmark.

Listens on 127.0.0.1 on a free port (or on --port, to come back where a stopped peer was) and
prints "PORT <n>", then one line per job it receives:
"REQ read items=<k> size=<request S7 bytes> reply=<reply S7 bytes>" or "REQ write ...", and
"REFUSED ..." when a job breaks the PDU it granted. Memory: inputs, outputs, flags and data
blocks 1 to 9, MEMORY_BYTES each, byte i of area a (data block d) preset to
(7 * i + 13 * d + a) & 0xFF; other data blocks do not exist.

Faults (--fault): none; late (the first --late-count read replies come --delay s late);
split (every reply in three segments); stale (before each job's reply, the previous reply
again); silent (no answer to read and write jobs); refuse-cotp; refuse-setup.
"""
import argparse
import socket
import struct
import sys
import threading
import time

MEMORY_BYTES = 4096
AREAS = (0x81, 0x82, 0x83, 0x84)


def pattern(area, db, offset):
    return (7 * offset + 13 * db + area) & 0xFF


class Memory:
    def __init__(self):
        self.lock = threading.Lock()
        self.blocks = {}
        for area in AREAS:
            for db in (range(1, 10) if area == 0x84 else (0,)):
                self.blocks[(area, db)] = bytearray(
                    pattern(area, db, i) for i in range(MEMORY_BYTES))

    def block(self, area, db):
        return self.blocks.get((area, db if area == 0x84 else 0))


def frame(payload):
    return struct.pack(">BBH", 3, 0, len(payload) + 4) + payload


def ack_data(ref, params, data, error=0):
    header = struct.pack(">BBHHHHH", 0x32, 0x03, 0, ref, len(params), len(data), error)
    return frame(b"\x02\xf0\x80" + header + params + data)


class Peer:
    def __init__(self, args):
        self.args = args
        self.memory = Memory()
        self.late_left = args.late_count
        self.lock = threading.Lock()

    def say(self, line):
        with self.lock:
            sys.stdout.write(line + "\n")
            sys.stdout.flush()

    def send(self, conn, data):
        if self.args.fault == "split" and len(data) > 4:
            cuts = (3, min(len(data) - 1, 12))
            pieces = (data[:cuts[0]], data[cuts[0]:cuts[1]], data[cuts[1]:])
            for i, piece in enumerate(pieces):
                conn.sendall(piece)
                if i < 2:
                    time.sleep(0.03)
        else:
            conn.sendall(data)

    def serve(self, conn):
        buffer = b""
        previous = None
        with conn:
            while True:
                try:
                    chunk = conn.recv(65536)
                except OSError:
                    return
                if not chunk:
                    return
                buffer += chunk
                while len(buffer) >= 4:
                    length = struct.unpack(">H", buffer[2:4])[0]
                    if len(buffer) < length:
                        break
                    tpdu, buffer = buffer[:length], buffer[length:]
                    reply = self.answer(tpdu)
                    if reply is None:
                        continue
                    data, is_job, is_read = reply
                    try:
                        if is_job and self.args.fault == "stale" and previous is not None:
                            conn.sendall(previous)
                        if is_read and self.args.fault == "late" and self.late_left > 0:
                            self.late_left -= 1
                            time.sleep(self.args.delay)
                        self.send(conn, data)
                    except OSError:
                        return
                    if is_job:
                        previous = data

    def answer(self, tpdu):
        """Returns (reply bytes, is a read/write job, is a read) or None for no reply."""
        code = tpdu[5]
        if code == 0xE0:
            if self.args.fault == "refuse-cotp":
                return (frame(bytes([2, 0x80, 0, 0, 0, 1, 0])), False, False)  # DR
            return (frame(bytes([0x11, 0xD0, 0, 1, 0, 1, 0, 0xC0, 1, 0x0A,
                                 0xC1, 2, 0x10, 0, 0xC2, 2, 3, 0])), False, False)
        s7 = tpdu[7:]
        if len(s7) < 10 or s7[0] != 0x32 or s7[1] != 0x01:
            return None
        ref, plen, dlen = struct.unpack(">HHH", s7[4:10])
        params = s7[10:10 + plen]
        data = s7[10 + plen:10 + plen + dlen]
        function = params[0]
        if function == 0xF0:
            if self.args.fault == "refuse-setup":
                return (ack_data(ref, b"", b"", error=0x8104), False, False)
            asked = struct.unpack(">H", params[6:8])[0]
            granted = min(asked, self.args.pdu)
            return (ack_data(ref, b"\xf0\x00" + params[2:6] + struct.pack(">H", granted), b""),
                    False, False)
        if function not in (0x04, 0x05):
            return (ack_data(ref, b"", b"", error=0x8104), True, False)
        if self.args.fault == "silent":
            self.say("REQ %s silent" % ("read" if function == 0x04 else "write"))
            return None
        count = params[1]
        items = [params[2 + 12 * i:14 + 12 * i] for i in range(count)]
        if function == 0x04:
            out_params, out_data = self.read(items)
            kind = "read"
        else:
            out_params, out_data = self.write(items, data)
            kind = "write"
        reply_size = 12 + len(out_params) + len(out_data)
        self.say("REQ %s items=%d size=%d reply=%d" % (kind, count, len(s7), reply_size))
        if len(s7) > self.args.pdu or reply_size > self.args.pdu:
            self.say("REFUSED size=%d reply=%d pdu=%d" % (len(s7), reply_size, self.args.pdu))
            return (ack_data(ref, b"", b"", error=0x8500), True, function == 0x04)
        return (ack_data(ref, out_params, out_data), True, function == 0x04)

    @staticmethod
    def item_fields(item):
        ts, n, db = struct.unpack(">BHH", item[3:8])
        area = item[8]
        address = (item[9] << 16) | (item[10] << 8) | item[11]
        return ts, n, db, area, address

    def locate(self, area, db, start, n):
        block = self.memory.block(area, db)
        if block is None:
            return None, 0x0A
        if start + n > len(block):
            return None, 0x05
        return block, 0xFF

    def read(self, items):
        out = b""
        for i, item in enumerate(items):
            ts, n, db, area, address = self.item_fields(item)
            start = address >> 3
            with self.memory.lock:
                block, rc = self.locate(area, db, start, n)
                payload = bytes(block[start:start + n]) if block is not None else b""
            if rc != 0xFF:
                out += bytes([rc, 0, 0, 0])
                continue
            out += bytes([0xFF, 0x04]) + struct.pack(">H", 8 * n) + payload
            if i + 1 < len(items) and n % 2:
                out += b"\x00"
        return bytes([0x04, len(items)]), out

    def write(self, items, data):
        codes = b""
        pos = 0
        for item in items:
            ts, n, db, area, address = self.item_fields(item)
            dts, bits = struct.unpack(">BH", data[pos + 1:pos + 4])
            size = 1 if dts == 0x03 else bits // 8
            payload = data[pos + 4:pos + 4 + size]
            pos += 4 + size + (size % 2)
            with self.memory.lock:
                if ts == 0x01:
                    block, rc = self.locate(area, db, address >> 3, 1)
                    if block is not None:
                        mask = 1 << (address & 7)
                        if payload[0]:
                            block[address >> 3] |= mask
                        else:
                            block[address >> 3] &= ~mask & 0xFF
                else:
                    block, rc = self.locate(area, db, address >> 3, size)
                    if block is not None and address & 7:
                        rc = 0x05  # byte access must start on a byte
                    elif block is not None:
                        block[address >> 3:(address >> 3) + size] = payload
            codes += bytes([rc])
        return bytes([0x05, len(items)]), codes


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fault", default="none",
                        choices=["none", "late", "split", "stale", "silent",
                                 "refuse-cotp", "refuse-setup"])
    parser.add_argument("--pdu", type=int, default=240)
    parser.add_argument("--delay", type=float, default=2.5)
    parser.add_argument("--late-count", type=int, default=1)
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    peer = Peer(args)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(8)
    peer.say("PORT %d" % listener.getsockname()[1])
    # Standard input closing (the test went away) ends the peer too.
    threading.Thread(target=lambda: (sys.stdin.read(), listener.close(), sys.exit(0)),
                     daemon=True).start()
    while True:
        try:
            conn, _ = listener.accept()
        except OSError:
            return
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        threading.Thread(target=peer.serve, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    main()
