"""The headless host over the built program: exit status 2 for a command line
it cannot run, and the saved state it writes and restores.

    konak.py OKA_KONAK BUNDLE
"""
import os
import subprocess
import sys
import tempfile

konak, bundle = sys.argv[1:3]
d = tempfile.TemporaryDirectory()
a, b, c, yok = (os.path.join(d.name, n) for n in ("a", "b", "c", "yok/d"))
name = 'Vo"kal ş'.encode()
blob = b"OKA1" + len(name).to_bytes(4, "little") + name
run = ["--sure", "0.05", bundle]
cases = [  # arguments, exit status, {file: bytes it must hold afterwards}
    (["--yok", bundle], 2, {}),
    (["--sure"], 2, {}),
    (["--durum-oku", a] + run, 2, {}),  # no such file
    (["--elle-ad", "x", "--durum-oku", a] + run, 2, {}),
    (["--elle-ad", 'Vo"kal ş', "--durum-yaz", a] + run, 0, {a: blob}),
    (["--durum-oku", a, "--ornek", "2", "--durum-yaz", b] + run, 0, {b: blob, b + ".2": blob}),
    (["--durum-yaz", c] + run, 0, {c: b"OKA1\0\0\0\0"}),
    (["--durum-yaz", yok] + run, 1, {}),  # the folder does not exist
]
failed = 0
for args, status, files in cases:
    p = subprocess.run([konak] + args, capture_output=True, timeout=60)
    got = {f: open(f, "rb").read() if os.path.exists(f) else None for f in files}
    if p.returncode != status or got != files:
        failed += 1
        print("FAILED:", args, "exit", p.returncode, "not", status, got, p.stderr.decode(errors="replace"))
d.cleanup()
print("ok" if not failed else "%d of %d failed" % (failed, len(cases)))
sys.exit(1 if failed else 0)
