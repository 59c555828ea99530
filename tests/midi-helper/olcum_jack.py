"""Relay figures of the real helper over a private jackd: latency app ->
workstation and workstation -> app (p50, p99), and the highest rate of fader
messages (pitch bends) from the workstation that reaches the app without loss.
argv: path of oka-midi-yardimci [--kisa]. Prints figures; not a pass/fail test."""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from jack_ortami import Ortam, hazirla  # noqa: E402

ORNEK_HIZI = 48000
DONEM = 16  # frames per JACK cycle: 0.33 ms, so that the cycle adds little to the latency measured
HIZ_DONEMI = 256


def yuzdelik(degerler, p):
    s = sorted(degerler)
    return s[min(len(s) - 1, int(round(p / 100.0 * (len(s) - 1))))]


def yaz(ad, gecikmeler):
    ms = [g * 1000 for g in gecikmeler]
    print("%-28s n=%-5d p50 %.3f ms  p99 %.3f ms  max %.3f ms" % (ad, len(ms), statistics.median(ms),
                                                                 yuzdelik(ms, 99), max(ms)))


def uygulamadan(daw, app, sayi):
    """App sends a V-Pot turn, the workstation's process callback sees it."""
    gecikmeler = []
    for i in range(sayi):
        t0 = time.perf_counter()
        app.gonder(1, [0xB0, 0x10, 1 + i % 0x3F])
        t1, _ = daw.gelen.get(timeout=2)
        gecikmeler.append(t1 - t0)
        time.sleep(0.002)
    return gecikmeler


def is_istasyonundan(daw, app, sayi):
    """The workstation's process callback writes a fader move, the app reads its frame."""
    gecikmeler = []
    for i in range(sayi):
        daw.gonder([0xE0, i % 0x80, 0x40])
        t0 = time.perf_counter()  # the callback runs within one cycle of this
        app.cerceve()
        gecikmeler.append(time.perf_counter() - t0)
        time.sleep(0.002)
    return gecikmeler


def kayipsiz_hiz(daw, app, sure):
    """Fader moves written by the workstation's callback, more per cycle each round, until the app sees fewer
    than were written."""
    en_iyi = 0
    for her_dongu in (16, 64, 256, 1024, 2048):
        app.s.settimeout(1.0)
        daw.uretilen = 0
        alinan = 0
        t0 = time.perf_counter()
        daw.uret = her_dongu
        while True:
            if time.perf_counter() - t0 > sure:
                daw.uret = 0
            try:
                veri = app.s.recv(1 << 20)
            except OSError:
                break  # a second without data: everything that was coming has come
            if not veri:
                break
            alinan += len(veri)  # every frame is 00 04 01 Ex ll hh
        gecen = sure
        tamam = alinan == 6 * daw.uretilen
        print("fader moves %5d per cycle: %7d written, %7d received, %8.0f /s %s" %
              (her_dongu, daw.uretilen, alinan // 6, daw.uretilen / gecen, "ok" if tamam else "LOSS"))
        if not tamam:
            break
        en_iyi = daw.uretilen / gecen
    return en_iyi


def main():
    yardimci = sys.argv[1]
    kisa = "--kisa" in sys.argv[2:]
    ortam = Ortam(yardimci, donem=DONEM)
    try:
        daw, app, _ = hazirla(ortam, b"olcum")
        sayi = 50 if kisa else 2000
        print("JACK dummy driver, %d Hz, %d frames per cycle (%.2f ms)" % (ORNEK_HIZI, DONEM, DONEM * 1000.0 /
                                                                         ORNEK_HIZI))
        yaz("app -> workstation", uygulamadan(daw, app, sayi))
        yaz("workstation -> app", is_istasyonundan(daw, app, sayi))
        daw.kapat()
    finally:
        ortam.kapat()
    # Throughput with longer cycles, so that the Python workstation can write whole cycles' worth.
    ortam = Ortam(yardimci, donem=HIZ_DONEMI)
    try:
        daw, app, _ = hazirla(ortam, b"olcum")
        print("JACK cycle of %d frames (%.1f ms)" % (HIZ_DONEMI, HIZ_DONEMI * 1000.0 / ORNEK_HIZI))
        hiz = kayipsiz_hiz(daw, app, 0.3 if kisa else 2.0)
        print("fader messages relayed without loss: %.0f /s" % hiz)
        daw.kapat()
    finally:
        ortam.kapat()


if __name__ == "__main__":
    main()
