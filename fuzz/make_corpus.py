#!/usr/bin/env python3
"""Writes the small seed inputs of fuzz/corpus/<harness>/ (run again after changing a harness's
input layout). The harnesses read their choices with FuzzedDataProvider, which takes numbers from
the end of the input and strings from its start, so most seeds are text first and a tail of bytes
that picks the operations."""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
rng = random.Random(20240611)


def write(harness, name, data):
    folder = os.path.join(HERE, "corpus", harness)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def noise(n):
    return bytes(rng.randrange(256) for _ in range(n))


# Code pages: encoding index, split byte, then the bytes.
codepage_seeds = {
    "ansi": (0, b"Hello, \xc0\xe9\xff world"),
    "iscii_halant": (71, b"\xb3\xe8\xb3\xe8\xe8\xb3\xe9\xd4\xe8\xcf\xa4"),
    "iscii_bengali": (72, b"\xb3\xe8\xcf\xef\x42\xb3\xe8"),
    "iscii_attr": (73, b"\xef\x42\xb3\xe8\xb3\xf0\xb8"),
    "utf8": (130, "Grüße, мир, 世界 😀".encode() + b"\xe2\x82\xc3\x28\xf0\x9f"),
    "utf7": (131, b"A+ImIDkQ.+-x+AGEAYgBj-z+"),
    "shift_jis": (112, b"\x82\xa0\x82\xa2abc\x81\x40\x80\xa0\xfd\x82"),
    "gb18030": (96, b"\x81\x30\x81\x30\xa1\xa1\x81\x30\xff\x41"),
    "big5": (102, b"\xa4\x40\xa4\x41\xf9\xfe\x80\x41\xa4"),
    "iso2022_jp": (115, b"\x1b$B$\"$$\x1b(Babc\x1b$B"),
    "hz": (99, b"ab~{<:Ky~}cd~~~"),
    "johab": (124, b"\x88\x61\x88\x62\xd9\x31\x41"),
    "ebcdic": (24, b"\xc8\x85\x93\x93\x96\x40\x0e\x0f"),
    "unsupported": (103, b"\xa4\x40pppp"),
}
for name, (encoding, body) in codepage_seeds.items():
    write("fuzz_codepage", name, bytes([encoding, len(body) // 2]) + body)

# Stream search: a few texts and random tails; the tail picks encoding, options and sizes.
for k, text in enumerate([b"abAB ab_ab-ab", b"\xb3\xe8\xb3\xe8", "вода Вода".encode(), b"a"]):
    write("fuzz_stream_search", f"seed{k}", text + noise(24))
for k in range(6):
    write("fuzz_stream_search", f"random{k}", noise(rng.randrange(16, 64)))

# Link scan: pages of links, crafted runs and a random tail.
url_pages = [
    b"see http://example.org/a?b=c, mail me@host.example! www.x.org/p.",
    b"HTTPS://A.B ftp://f file:///etc/x (www.a.de) <x@y.zz> .www.b.c",
    b"www.a@www.a@www.a@www.a@www.a@www.a@www.a@",
    b"a@b.c@d.ef@g.hi@jk.lm@@..@@",
    b"http://http://http:/www.www.@@//",
    b"\x00\x80\xffhttp://\xe4x www.\xc3\xa4 a@b.cd",
]
for k, page in enumerate(url_pages):
    write("fuzz_url_scan", f"page{k}", page + noise(8))

# String helpers: the first tail byte selects the helper.
for k in range(10):
    write("fuzz_string_helpers", f"seed{k}",
          b"ab%s%s%%s.a,b\\c:d/e\t\x00" + noise(rng.randrange(8, 48)))

# Transformations and image files: random choices, and text in both file formats.
for k in range(6):
    write("fuzz_transforms", f"random{k}", noise(rng.randrange(8, 40)))
write("fuzz_transforms", "ihex",
      b":020000040000FA\n:0400000001020304F2\n:00000001FF\n" + bytes([0, 1]))
write("fuzz_transforms", "srec",
      b"S00600004844521B\nS1070000010203040F\nS5030001FB\nS9030000FC\n" + bytes([1, 1]))

# Viewer: random operation sequences over the stream sizes of interest (a generator of their own,
# so that changing the seeds above keeps these).
viewer_rng = random.Random(5)
for k in range(8):
    n = viewer_rng.randrange(24, 160)
    write("fuzz_viewer", f"steps{k}", bytes(viewer_rng.randrange(256) for _ in range(n)))
