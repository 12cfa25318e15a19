#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target (fuzz/corpus/<target>/seed-*): a few small inputs
in each target's input language, built here byte by byte. Run from anywhere; files are rewritten."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def seal(body10):
    """A 13-byte frame: start pair, the ten bytes, the checksum."""
    f = [0xA5, 0x5B] + list(body10)
    f.append((-sum(f)) & 0xFF)
    return f


def edid(blocks=2):
    e = [0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00] + [0] * 120
    e[8:10] = [0x31, 0xD8]  # manufacturer letters
    e[18:20] = [1, 3]       # version 1.3
    # a 1920x1080 60 Hz detailed timing
    e[54:72] = [0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58, 0x2C, 0x45, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1E]
    e[72:90] = [0, 0, 0, 0xFC, 0] + list(b"FUZZ PANEL\n   ")[:13]
    e[126] = blocks - 1
    e[127] = (-sum(e[:127])) & 0xFF
    if blocks == 2:
        ext = [0x02, 0x03] + [0] * 125
        ext.append((-sum(ext)) & 0xFF)
        e += ext
    return bytes(e)


MARKERS = {1: [0xA5, 0x5A], 2: [0xA4, 0x5B], 3: [0xA3, 0x5C], 4: [0xA2, 0x5D]}


def plain_firmware(parts):
    out = []
    for part, image in parts:
        out += MARKERS[part] + list(image)
    return out


def write(target, name, data):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "seed-" + name), "wb") as f:
        f.write(bytes(data))


# The shell: setup byte (page, TCP bit), then steps (see shell_links_fuzz.cpp).
ADVANCE_LONG = 0xBF      # kind 5, a = 31
def act(a): return 0xC0 | a
def choose(page): return 0xE0 | (page - 1)
def frame(body10): return [0x40] + list(body10)
def reply_like_last(mask, values): return [0x80, mask] + list(values)
for tcp in (0, 4):
    link = "tcp" if tcp else "serial"
    write("shell_links_fuzz", f"general-status-{link}", [0 | tcp, act(0), 0xA8, *reply_like_last(0x01, [0]), ADVANCE_LONG])
    write("shell_links_fuzz", f"edid-read-{link}", [1 | tcp, act(3), 0xA8, *reply_like_last(0x01, [0xAA]), *([0x1F] + [0xA5, 0x5B] * 16) * 2, ADVANCE_LONG])
    write("shell_links_fuzz", f"matrix-switch-{link}", [2 | tcp, act(0), 0xA4, *frame([0x02, 0x03, 0x00, 0x00, 0x01, 0x01, 0, 0, 0, 0]), ADVANCE_LONG])
    write("shell_links_fuzz", f"firmware-write-{link}", [3 | tcp, act(0), act(1), 0xA8, act(2), *reply_like_last(0x07, [0, 0, 1]), 0xBF, choose(1)])
write("shell_links_fuzz", "noise-serial", [0, 0x1F] + [0xA5] * 32 + [0x05, 0x5B, 0xA5, 0x5B, 0, 0, 0])

# UDP: a search answer (56 bytes), a configuration echo, a reply longer than one receive.
answer = [0x02, 0x56, 0x4C, 0x54, 0x00, 0x01, 192, 168, 1, 239] + [0] * 8 + [0x77, 0x88] + [0] * 36
write("udp_replies_fuzz", "answer", [0x1C] + answer)
write("udp_replies_fuzz", "answer-then-config", [0x1C] + answer + [0xBE, 0x4B, 0x00])
write("udp_replies_fuzz", "long", [0x3F] + [0x61] * 3 + answer * 30)

write("edid_fuzz", "one-block", edid(1))
write("edid_fuzz", "two-blocks", edid(2))
write("edid_fuzz", "short", edid(1)[:60])

write("firmware_file_fuzz", "main", [1] + plain_firmware([(1, range(40))]))
write("firmware_file_fuzz", "three-parts", [1] + plain_firmware([(2, [0x11] * 300), (3, [0x22] * 20), (4, [0x33] * 5)]))
write("firmware_file_fuzz", "long-main", [1] + plain_firmware([(1, [i & 0xFF for i in range(800)])]))

write("firmware_merge_fuzz", "main-and-panel", [4] + [0x10] * 16 + [0, 0, 2] + [0x40] * 8)
write("firmware_merge_fuzz", "slave-ir", [0, 8] + [0xA4] * 32 + [3] + [0x5C] * 12)

# Emulator: device-model mode (byte 0 even) and frame-stream mode (odd).
def steps_frame(body10): return [0x40] + list(body10)
def steps_block(n16, fill): return [0x80 | (n16 - 1)] + [fill] * (16 * n16)
write("emulator_stream_fuzz", "queries", [0] + steps_frame([1, 1, 0, 0, 0, 0, 0, 0, 0, 0]) + steps_frame([2, 1, 0, 0, 1, 0, 0, 0, 0, 0]) + [0xA5])
write("emulator_stream_fuzz", "edid-download", [0] + steps_frame([3, 7, 0x56, 0, 1, 1, 0, 0, 0, 0]) + steps_block(18, 0) + [0x02, 0, 1] + [0xAA])
write("emulator_stream_fuzz", "firmware-block", [0] + steps_frame([0x20, 2, 1, 0, 0, 0, 0, 0, 0, 0]) + [0xFF] + list(range(256)) + [0xC0])
write("emulator_stream_fuzz", "stream-blocks", [1, 0xC2] + [0x1F] * 33 + steps_frame([1, 1, 0, 0, 0, 0, 0, 0, 0, 0]) + [0xA0])
