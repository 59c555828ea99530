"""The preview tool renders the panel: one state with every option given becomes
a 420x278 PNG that is not blank; in both languages each text of the states with
the longest texts fits its box. Usage: onizleme_testi.py TOOL (on an X display)."""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

with tempfile.TemporaryDirectory() as klasor:
    yol = os.path.join(klasor, "panel.png")
    subprocess.run([sys.argv[1], "--cikti", yol, "--dil", "tr", "--durum", "bagli", "--rol", "master",
                    "--konak", "Cubase", "--konak-adi", "Vocals", "--elle-ad", "Davul", "--seviye", "-0.1",
                    "--bicim", "44100.4:1"], check=True, timeout=60)
    with open(yol, "rb") as f:
        veri = f.read()
    for dil in ("tr", "en"):
        for durum in (["okunamiyor"], ["bekleniyor", "--bicim", "yok"], ["bagli", "--bicim", "192000:1"]):
            p = subprocess.run([sys.argv[1], "--cikti", yol, "--dil", dil, "--konak", "Cubase", "--seviye", "-60",
                                "--durum"] + durum, check=True, timeout=60, capture_output=True, text=True)
            assert "does not fit" not in p.stdout, (dil, durum, p.stdout)
assert veri[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
i, idat = 8, b""
while i < len(veri):
    n, tur = struct.unpack(">I4s", veri[i:i + 8])
    if tur == b"IHDR":
        boyut = struct.unpack(">II", veri[i + 8:i + 16])
    elif tur == b"IDAT":
        idat += veri[i + 8:i + 8 + n]
    i += 12 + n
assert boyut == (420, 278), boyut
# A blank picture's scanlines hold a couple of byte values; the panel's
# colours, text edges and gradient give well over a hundred.
assert len(set(zlib.decompress(idat))) > 100, "blank picture"
print("ok: the panel is rendered")
