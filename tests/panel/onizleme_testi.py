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


def pikseller(yol):
    """Width, height and the unfiltered rows of an 8-bit RGB or RGBA PNG."""
    with open(yol, "rb") as f:
        veri = f.read()
    assert veri[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    i, idat = 8, b""
    while i < len(veri):
        n, tur = struct.unpack(">I4s", veri[i:i + 8])
        govde = veri[i + 8:i + 8 + n]
        if tur == b"IHDR":
            en, boy, derinlik, renk = struct.unpack(">IIBB", govde[:10])
        elif tur == b"IDAT":
            idat += govde
        i += 12 + n
    assert derinlik == 8 and renk in (2, 6), (derinlik, renk)
    bpp = 3 if renk == 2 else 4
    ham, satirlar, onceki = zlib.decompress(idat), [], bytes(en * bpp)
    for y in range(boy):
        bas = y * (en * bpp + 1)
        filtre, satir = ham[bas], bytearray(ham[bas + 1:bas + 1 + en * bpp])
        for x in range(len(satir)):
            a = satir[x - bpp] if x >= bpp else 0
            b = onceki[x]
            c = onceki[x - bpp] if x >= bpp else 0
            if filtre == 1:
                satir[x] = (satir[x] + a) & 255
            elif filtre == 2:
                satir[x] = (satir[x] + b) & 255
            elif filtre == 3:
                satir[x] = (satir[x] + (a + b) // 2) & 255
            elif filtre == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                satir[x] = (satir[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        satirlar.append(bytes(satir))
        onceki = satir
    return en, boy, bpp, satirlar


def ciz(klasor, ad, *secenekler):
    yol = os.path.join(klasor, ad + ".png")
    subprocess.run([ARAC, "--cikti", yol, *secenekler], check=True, timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    en, boy, bpp, satirlar = pikseller(yol)
    assert (en, boy) == (420, 278), (ad, en, boy)
    renkler = {s[x:x + 3] for s in satirlar for x in range(0, len(s), bpp)}
    # Background, card, texts in five colours, their anti-aliasing, the meter.
    assert len(renkler) > 50, (ad, len(renkler))
    print("ok:", ad, len(renkler), "colours")
    return satirlar


def main():
    with tempfile.TemporaryDirectory() as klasor:
        durum = ["--durum", "bagli", "--konak", "Cubase", "--konak-adi", "Vocals", "--seviye", "-6"]
        en = ciz(klasor, "bagli-en", "--dil", "en", *durum)
        tr = ciz(klasor, "bagli-tr", "--dil", "tr", *durum)
        assert en != tr, "the languages draw the same picture"
        ciz(klasor, "okunamiyor-tr", "--dil", "tr", "--durum", "okunamiyor", "--rol", "master",
            "--elle-ad", "Davul", "--seviye", "-0.1", "--bicim", "44100.4:1")
        ciz(klasor, "bekleniyor-en", "--dil", "en", "--bicim", "yok")

        kotu = subprocess.run([ARAC, "--cikti", os.path.join(klasor, "x.png"), "--seviye", "yuksek"],
                              capture_output=True, text=True, timeout=60)
        assert kotu.returncode == 2 and "usage:" in kotu.stderr, (kotu.returncode, kotu.stderr)
        assert not os.path.exists(os.path.join(klasor, "x.png"))
        print("ok: a bad option is refused")


main()
