#!/usr/bin/env python3
"""Writes the seed corpora of the server's fuzz targets (server_client, frame_index,
wav_info, events_file) under fuzz/corpus/. Run from anywhere; rewrites the files it owns.

The server_client seeds are operation sequences in the form fuzz_server_client.cpp reads
(one byte naming the operation, then its arguments, little-endian); their times are those
of the target's fixture archive, which begins at 2024-05-01 10:00:00 UTC."""
import os
import struct

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")

# 2024-05-01 10:00:00 UTC in 100 ns ticks since 1601.
T0 = 133590312000000000
SECOND = 10_000_000


def hexczas(offset_s):
    return "%016X" % (T0 + int(offset_s * SECOND))


def i32(v):
    return struct.pack("<i", v)


def paczka2(name, payload, opis=b"", version=1):
    return b"paczk2" + i32(version) + i32(len(name)) + name + i32(len(payload)) + payload + i32(len(opis)) + opis


# Operations of fuzz_server_client.
def raw(b):
    return bytes([0]) + struct.pack("<H", len(b)) + b


def pump():
    return bytes([1])


def tick(ms):
    return bytes([2]) + struct.pack("<H", ms // 10)


def send(n=0):
    return bytes([3]) + struct.pack("<H", n)


def okres(start_s, length_s):
    return struct.pack("<hH", int(start_s * 10), int(length_s * 100))


def change(station, flags, plus=(), minus=()):
    flags |= len(plus) << 2 | len(minus) << 4
    return bytes([4, station, flags]) + b"".join(okres(*p) for p in plus) + b"".join(okres(*m) for m in minus)


def cmd(text, split=255):
    b = text.encode("utf-8")
    return bytes([5, len(b)]) + b + bytes([split])


def export(*intervals):
    return bytes([6, len(intervals)]) + b"".join(okres(*i) for i in intervals)


def packet(kind, version, opis, payload):
    return bytes([7, kind, version & 0xFF, len(opis)]) + opis + struct.pack("<H", len(payload)) + payload


def cp1250(text):
    return text.encode("cp1250")


PLAYER = raw(b"player\n")
STREAM = pump() + send() + tick(300) + cmd("wyslijsztukeaudia") + pump() + send()

SERVER_CLIENT = {
    "play_a": PLAYER
    + raw(paczka2(b"String", cp1250("zmienstacje %s A" % hexczas(0))))
    + cmd("play") + STREAM + tick(16000) + cmd("pong 1") + cmd("stop") + send(),
    "seek_and_family": PLAYER + cmd("zmienstacje %s A" % hexczas(0.5)) + cmd("play") + STREAM
    + cmd("setpos %s" % hexczas(10.2)) + STREAM + cmd("grajiwenty Wiadomości") + STREAM
    + cmd("grajwszystko") + STREAM,
    "station_b": PLAYER + cmd("zmienstacje %s B" % hexczas(0)) + cmd("play", 7) + STREAM + STREAM,
    "export": PLAYER + cmd("zmienstacje %s B" % hexczas(0)) + export((1, 0.8), (2.5, 1))
    + pump() + send() + pump() + send() + cmd("przerwijeksport") + cmd("zmienstacje %s A" % hexczas(0))
    + export((1.5, 10)) + pump() + send() + pump() + send() + pump() + send(),
    "events": PLAYER + cmd("zmienstacje %s A" % hexczas(0)) + cmd("wylijbazeZ") + send()
    + change(0, 3, plus=[(12, 1)], minus=[(0, 1)]) + cmd("grajiwenty Reklamy") + cmd("play") + STREAM
    + change(0, 2) + STREAM,
    "errors": PLAYER + cmd("nieznana") + cmd("setpos zz") + cmd("zmienstacje %s Nieznana" % hexczas(0))
    + packet(0, 1, b"opis", cp1250("play")) + packet(1, 1, b"export", b"\x01\x00\x00\x00")
    + packet(5, 1, b"", b"") + cmd("zmienstacje %s Pusta" % hexczas(0)) + cmd("play") + pump()
    + cmd("zmienstacje %s Brak" % hexczas(0)) + pump() + export((0, 1)) + send(),
    "slow_reader": PLAYER + cmd("zmienstacje %s A" % hexczas(0)) + cmd("play")
    + (pump() + cmd("wyslijsztukeaudia") + tick(1000)) * 8 + send(100) + pump(),
    "station_list": raw(b"listabaz\n") + send(5) + send(),
    "split_packet": raw(b"pla") + raw(b"yer\n" + paczka2(b"String", b"zmienstacje %s A" % hexczas(0).encode())[:9])
    + raw(paczka2(b"String", b"zmienstacje %s A" % hexczas(0).encode())[9:] + paczka2(b"String", b"play"))
    + pump() + send(),
    "silent_client": tick(11000),
}


# MPEG frames of silence: a header and zeros.
def frame(header, length):
    return struct.pack(">I", header) + bytes(length - 4)


L3 = (0xFFFB9064, 417)  # MPEG-1 layer III, 128 kbit/s, 44.1 kHz, joint stereo
L3_PAD = (0xFFFB9264, 418)
L2 = (0xFFFDA404, 576)  # MPEG-1 layer II, 192 kbit/s, 48 kHz, stereo
M2 = (0xFFF39064, 261)  # MPEG-2 layer III, 80 kbit/s, 22.05 kHz


def frames(kind, n):
    return frame(*kind) * n


def tag(title):
    t = title.encode()[:30].ljust(30, b"\0")
    return b"TAG" + t + b"fixture-host".ljust(30, b"\0") + bytes(30) + b"2024" + b"Created by rotter".ljust(30, b"\0") + b"\xff"


ID3V2 = b"ID3\x04\x00\x00\x00\x00\x00\x14" + bytes(20)
info = bytearray(frame(*L3))
info[36:40] = b"Info"

cut = frames(L3, 3) + frame(*L3_PAD)
FRAME_INDEX = {
    "layer3": b"\x80\xc0" + frames(L3, 4),
    "id3v2_info": b"\x40\xff" + ID3V2 + bytes(info) + frames(L3, 3),
    "tag_cuts_frame": b"\xff\x00" + cut[:1000] + tag("Recorded 2024-05-01 10:17") + cut[1000:] + frames(L3, 1),
    "junk_and_format_change": b"\x10\x80" + frames(L3, 2) + b"junk" + frames(L3, 2) + frames(L2, 2) + frames(M2, 3),
    "growing": b"\x33\x33" + frames(L3, 3) + frame(*L3)[:200],
}


def chunk(cid, body):
    return cid + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def fmt(channels=2, rate=44100, tag_=1, bits=16):
    return chunk(b"fmt ", struct.pack("<HHIIHH", tag_, channels, rate, rate * channels * 2, channels * 2, bits))


def bext(date=b"2024-05-01", ref=36000 * 44100):
    body = bytearray(602)
    body[256:256 + 15] = b"korwendo-server"
    body[320:330] = date
    body[330:338] = b"10:00:00"
    body[338:346] = struct.pack("<Q", ref)
    return chunk(b"bext", bytes(body))


def riff(*chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


WAV_INFO = {
    "bwf": b"\x00" + riff(fmt(), bext(), chunk(b"data", bytes(400))),
    "plain_then_list": b"\x00" + riff(fmt(1, 8000), chunk(b"data", bytes(100)), chunk(b"LIST", b"INFOabcd")),
    "extensible_stale_size": b"\x08" + riff(chunk(b"fmt ", struct.pack("<HHIIHH", 0xFFFE, 2, 48000, 192000, 4, 16)
                                                    + struct.pack("<HHI", 22, 16, 3) + struct.pack("<H", 1) + bytes(14)),
                                            b"data" + struct.pack("<I", 8) + bytes(64)),
    "writer": b"\x07" + struct.pack("<IBQH", 22050, 1, T0 + 12345678, 300),
}

EVENTS_FILE = {
    "entries": b"\x80# KorwendoGra events, UTC\n"
    + "event\tWiadomości\t2024-05-01T10:00:00.000Z\t2024-05-01T10:05:00.000Z\n".encode()
    + "marker\tSygnał\t2024-05-01T10:10:00.000Z\r\n".encode()
    + b"event\tReklamy\t2024-05-01T10:15:00.000Z\t2024-05-01T10:17:00.000Z\n",
    "bad_lines": b"\x40event\tA\t2024-05-01T10:00:00.000Z\n\nmarker\t\t2024-02-30T10:00:00.000Z\n"
    b"event\tB\t2024-05-01T10:00:02.000Z\t2024-05-01T10:00:01.000Z\nmarker\tX\t2024-05-01T23:59:60.999Z\n"
    b"marker\tY\t1601-01-01T00:00:00.000Z",
}

PROXY_SIG = b"\r\n\r\n\x00\r\nQUIT\n"


def proxy(ver_cmd, family, body):
    return PROXY_SIG + bytes([ver_cmd, family]) + struct.pack(">H", len(body)) + body


PROXY_IPV4 = bytes([192, 0, 2, 7, 10, 0, 0, 5]) + struct.pack(">HH", 40001, 12540)
PROXY_IPV6 = bytes.fromhex("20010db8000000000000000000010002") + bytes(15) + b"\x01" + struct.pack(">HH", 443, 12540)
PROXY_HEADER = {
    "ipv4_then_player": proxy(0x21, 0x11, PROXY_IPV4) + b"player\n",
    "ipv6": proxy(0x21, 0x21, PROXY_IPV6),
    "local": proxy(0x20, 0x00, b""),
    "unix": proxy(0x21, 0x31, bytes(216)),
    "tlvs": proxy(0x21, 0x11, PROXY_IPV4 + b"\x04\x00\x02ab" + b"\x01\x00\x02h2"),
    "version1": b"PROXY TCP4 192.0.2.7 10.0.0.5 40001 12540\r\n",
    "too_long": PROXY_SIG + b"\x21\x11\x04\x01" + PROXY_IPV4,
}


def write(target, seeds):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(d, name), "wb") as f:
            f.write(data)


write("server_client", SERVER_CLIENT)
write("frame_index", FRAME_INDEX)
write("wav_info", WAV_INFO)
write("events_file", EVENTS_FILE)
write("proxy_header", PROXY_HEADER)
