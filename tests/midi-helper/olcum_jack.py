"""Relay figures of the real helper over a private jackd: latency app ->
workstation and workstation -> app (p50, p99), and the highest rate of fader
messages (pitch bends) from the workstation that reaches the app without loss.
argv: path of oka-midi-yardimci [--kisa]. Prints figures; not a pass/fail test."""
import os
import statistics
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from jack_ortami import Ortam, hazirla  # noqa: E402

ORNEK_HIZI = 48000
DONEM = 16  # frames per JACK cycle: 0.33 ms, so that the cycle adds little to what is measured


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


def kayipsiz_hiz(ortam, daw, app, sure):
    """Fader moves per JACK cycle, raised until the app sees fewer than were sent."""
    en_iyi = 0
    for her_dongu in (4, 16, 64, 128, 256, 512):
        hiz = her_dongu * ORNEK_HIZI / DONEM
        gonderilecek = int(hiz * sure)
        alinan = [0]

        def oku():
            while alinan[0] < gonderilecek:
                app.s.settimeout(1.0)
                try:
                    veri = app.s.recv(1 << 20)
                except OSError:
                    return
                if not veri:
                    return
                alinan[0] += len(veri) // 6  # every frame is 00 04 01 Ex ll hh

        okuyucu = threading.Thread(target=oku)
        okuyucu.start()
        gonderilen = 0
        t0 = time.perf_counter()
        while gonderilen < gonderilecek:
            # Feed the callback's queue ahead of time, one cycle's worth at a time.
            hedef = min(gonderilecek, int((time.perf_counter() - t0 + 0.01) * hiz))
            while gonderilen < hedef:
                daw.gonder([0xE0 | (gonderilen % 8), gonderilen % 0x80, 0x40])
                gonderilen += 1
            time.sleep(0.001)
        okuyucu.join()
        gecen = time.perf_counter() - t0
        tamam = alinan[0] == gonderilecek
        print("fader rate %8.0f /s offered: %d sent, %d received in %.2f s %s" %
              (hiz, gonderilecek, alinan[0], gecen, "ok" if tamam else "LOSS"))
        if not tamam:
            break
        en_iyi = max(en_iyi, gonderilecek / gecen)
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
        daw.gelen.queue.clear()
        hiz = kayipsiz_hiz(ortam, daw, app, 0.2 if kisa else 2.0)
        print("fader messages relayed without loss: %.0f /s" % hiz)
        daw.kapat()
    finally:
        ortam.kapat()


if __name__ == "__main__":
    main()
