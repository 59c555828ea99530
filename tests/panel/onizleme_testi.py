"""The preview tool renders the panel: each picture is 420x278 and not blank,
the two languages draw different pictures, and a bad option is refused with
the usage and exit code 2. Usage: onizleme_testi.py TOOL (on an X display)."""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

ARAC = sys.argv[1]


def ciz(klasor, ad, *secenekler):
    """Renders one picture; its width, height and decompressed scanlines are checked."""
    yol = os.path.join(klasor, ad + ".png")
    subprocess.run([ARAC, "--cikti", yol, *secenekler], check=True, timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(yol, "rb") as f:
        veri = f.read()
    assert veri[:8] == b"\x89PNG\r\n\x1a\n", (ad, "not a PNG")
    i, idat = 8, b""
    while i < len(veri):
        n, tur = struct.unpack(">I4s", veri[i:i + 8])
        if tur == b"IHDR":
            boyut = struct.unpack(">II", veri[i + 8:i + 16])
        elif tur == b"IDAT":
            idat += veri[i + 8:i + 8 + n]
        i += 12 + n
    assert boyut == (420, 278), (ad, boyut)
    # A blank picture's scanlines hold a couple of byte values; the panel's
    # colours, text edges and gradient give well over a hundred.
    satirlar = zlib.decompress(idat)
    assert len(set(satirlar)) > 100, (ad, len(set(satirlar)))
    print("ok:", ad)
    return satirlar


with tempfile.TemporaryDirectory() as klasor:
    durum = ["--durum", "bagli", "--konak", "Cubase", "--konak-adi", "Vocals", "--seviye", "-6"]
    assert ciz(klasor, "bagli-en", "--dil", "en", *durum) != ciz(klasor, "bagli-tr", "--dil", "tr", *durum), \
        "the languages draw the same picture"
    ciz(klasor, "okunamiyor-tr", "--dil", "tr", "--durum", "okunamiyor", "--rol", "master",
        "--elle-ad", "Davul", "--seviye", "-0.1", "--bicim", "44100.4:1")
    ciz(klasor, "bekleniyor-en", "--dil", "en", "--bicim", "yok")
    kotu = subprocess.run([ARAC, "--cikti", os.path.join(klasor, "x.png"), "--seviye", "yuksek"],
                          capture_output=True, text=True, timeout=60)
    assert kotu.returncode == 2 and "usage:" in kotu.stderr, (kotu.returncode, kotu.stderr)
    assert not os.path.exists(os.path.join(klasor, "x.png"))
    print("ok: a bad option is refused")
