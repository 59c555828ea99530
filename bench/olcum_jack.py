"""Relay figures of the real helper over a private jackd: latency app ->
workstation (up to one JACK cycle included) and workstation -> app, timed from
the workstation's callback writing the message, so without the JACK cycle: the
helper's own relay time (p50, p99); and the highest rate of fader messages
(pitch bends) from the workstation that reaches the app without loss.
argv: path of oka-midi-yardimci [--kisa]. Prints figures; not a pass/fail test."""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from jack_ortami import Ortam, hazirla  # noqa: E402


def yaz(ad, gecikmeler):
    ms = sorted(g * 1000 for g in gecikmeler)
    print("%-20s n=%-5d p50 %.3f ms  p99 %.3f ms  max %.3f ms" % (ad, len(ms), ms[len(ms) // 2],
                                                                 ms[(len(ms) - 1) * 99 // 100], ms[-1]))


def olc(yardimci, donem, govde):
    ortam = Ortam(yardimci, donem=donem)
    try:
        daw, app, _ = hazirla(ortam, b"olcum")
        print("JACK dummy driver, 48000 Hz, %d frames per cycle (%.2f ms)" % (donem, donem / 48.0))
        govde(daw, app)
        daw.kapat()
    finally:
        ortam.kapat()


def gecikme(sayi):
    def govde(daw, app):
        bir, iki = [], []
        for i in range(sayi):
            t0 = time.perf_counter()  # app sends a V-Pot turn, the workstation's callback sees it
            app.gonder(1, [0xB0, 0x10, 1 + i % 0x3F])
            bir.append(daw.gelen.get(timeout=2)[0] - t0)
            daw.gonder([0xE0, i % 0x80, 0x40])
            app.cerceve()
            iki.append(time.perf_counter() - daw.yazildi.get(timeout=2))
            time.sleep(0.002)
        yaz("app -> workstation", bir)  # includes the wait for the next cycle
        yaz("workstation -> app", iki)  # the helper's own relay time
    return govde


def hiz(sure):
    """Fader moves written by the workstation's callback, more per cycle each round, until the app sees fewer
    than were written (every frame is 00 04 01 Ex ll hh)."""
    def govde(daw, app):
        app.s.settimeout(1.0)
        en_iyi = 0
        for her_dongu in (16, 64, 256, 1024, 2048):
            daw.uretilen, alinan, t0 = 0, 0, time.perf_counter()
            daw.uret = her_dongu
            try:
                while True:
                    if time.perf_counter() - t0 > sure:
                        daw.uret = 0
                    veri = app.s.recv(1 << 20)
                    alinan += len(veri)
                    if not veri:
                        break
            except OSError:
                pass  # a second without data: everything that was coming has come
            tamam = alinan == 6 * daw.uretilen
            print("%5d per cycle: %7d written, %7d received, %8.0f /s %s" %
                  (her_dongu, daw.uretilen, alinan // 6, daw.uretilen / sure, "ok" if tamam else "LOSS"))
            if not tamam:
                break
            en_iyi = daw.uretilen / sure
        print("fader messages relayed without loss: %.0f /s" % en_iyi)
    return govde


if __name__ == "__main__":
    kisa = "--kisa" in sys.argv[2:]
    # Short cycles so that the cycle adds little to the latency; long ones so Python can fill whole cycles.
    olc(sys.argv[1], 16, gecikme(50 if kisa else 2000))
    olc(sys.argv[1], 256, hiz(0.3 if kisa else 2.0))
