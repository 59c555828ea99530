"""The real helper against a private jackd: a JACK client plays the
workstation and a TCP client the app. argv: path of oka-midi-yardimci."""
import json
import os
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from jack_ortami import Hata, IsIstasyonu, Ortam, Uygulama, bekle_kadar, hazirla  # noqa: E402


def dogrula(kosul, *neden):
    if not kosul:
        raise Hata(" ".join(str(n) for n in neden))


def senaryo(yardimci):
    # No JACK server: status 2, so that the user service starts it again.
    yok = subprocess.run([yardimci], env=dict(os.environ, JACK_DEFAULT_SERVER="oka-olmayan-sunucu"),
                         stderr=subprocess.PIPE, timeout=10)
    dogrula(yok.returncode == 2 and b"MIDIClientCreate hata " in yok.stderr, yok.returncode, yok.stderr[-300:])

    ortam = Ortam(yardimci)
    daw = None
    try:
        daw, app, govde = hazirla(ortam, b"uygulama 1")
        merhaba = json.loads(govde)
        dogrula((merhaba["merhaba"], merhaba["port"], merhaba["pid"]) ==
                ("oka-midi-yardimci", "OKA", ortam.yardimci.pid), merhaba)

        # Workstation -> helper: the handshake is answered there and forwarded to the app.
        sorgu = bytes([0xF0, 0, 0, 0x66, 0x14, 0x00, 0xF7])
        daw.gonder(sorgu)
        yanit = daw.al()
        dogrula(yanit == bytes([0xF0, 0, 0, 0x66, 0x14, 0x01]) + b"OKA0001" + bytes([1, 2, 3, 4, 0xF7]), yanit.hex())
        dogrula(app.cerceve() == (1, sorgu), "query not forwarded")

        # App -> workstation; the held button is let go when the app goes.
        app.gonder(1, [0x90, 0x5E, 0x7F])
        dogrula(daw.al() == bytes([0x90, 0x5E, 0x7F]), "press not relayed")
        app.s.close()
        dogrula(daw.al() == bytes([0x90, 0x5E, 0x00]), "held note not released")

        # Another process's "OKA" port: the helper steps back and returns with the same IDs.
        yabanci = IsIstasyonu(ortam, ad="Yabanci")
        yabanci.istemci.midi_outports.register("OKA")
        ortam.bekle("ÇİFT PORT olmasın diye yardımcının portları KAPATILIYOR")
        bekle_kadar(lambda: daw.yardimci_portlari() is None, "the helper's ports stayed")
        yabanci.kapat()
        ortam.bekle("\"OKA\" portları AÇILDI (CoreMIDI bildirimi)")
        acilis = [s for s in ortam.satirlar if "AÇILDI (CoreMIDI" in s][0]
        dogrula(acilis.count("(geri yüklendi)") == 2, acilis)
        daw.bagla()

        # SIGTERM while the app holds a button: released first, then status 0.
        app = Uygulama(ortam.kapi)
        app.gonder(2, b"")
        app.cerceve()
        app.gonder(1, [0x90, 0x5D, 0x7F])
        dogrula(daw.al() == bytes([0x90, 0x5D, 0x7F]), "second press not relayed")
        ortam.yardimci.send_signal(signal.SIGTERM)
        dogrula(ortam.yardimci.wait(5) == 0, "exit status after SIGTERM", ortam.yardimci.returncode)
        dogrula(daw.al() == bytes([0x90, 0x5D, 0x00]), "held note not released at SIGTERM")

        # The JACK server stops under a running helper: status 2, so that its service restarts it.
        daw.kapat()
        daw = None
        ortam.yardimci_baslat()
        ortam.bekle("AÇILDI (açılış)", 2)
        ortam.jackd.terminate()
        dogrula(ortam.yardimci.wait(10) == 2, "exit status after the JACK server went", ortam.yardimci.returncode)
    except Exception:
        print("the helper's log:\n   " + "\n   ".join(ortam.satirlar))
        raise
    finally:
        if daw:
            daw.kapat()
        ortam.kapat()


if __name__ == "__main__":
    try:
        senaryo(sys.argv[1])
    except Exception as e:  # the reason is the test's output
        print("FAILED:", type(e).__name__, e)
        sys.exit(1)
    print("ok")
