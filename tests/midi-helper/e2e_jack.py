"""The real helper against a private jackd: a JACK client plays the
workstation and a TCP client the app; what only the real system shows.
argv: path of oka-midi-yardimci."""
import json
import os
import signal
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from jack_ortami import Ortam, hazirla  # noqa: E402


def senaryo(yardimci):
    # No JACK server: status 2, so that the user service starts it again.
    yok = subprocess.run([yardimci], env=dict(os.environ, JACK_DEFAULT_SERVER="oka-olmayan-sunucu"),
                         stderr=subprocess.PIPE, timeout=10)
    assert yok.returncode == 2 and b"MIDIClientCreate hata " in yok.stderr, (yok.returncode, yok.stderr[-300:])

    ortam = Ortam(yardimci)
    try:
        daw, app, govde = hazirla(ortam, b"uygulama 1")
        merhaba = json.loads(govde)
        assert (merhaba["port"], merhaba["pid"]) == ("OKA", ortam.yardimci.pid), merhaba

        # SysEx both ways: the handshake is answered on the helper's port and forwarded to the app.
        sorgu = bytes([0xF0, 0, 0, 0x66, 0x14, 0x00, 0xF7])
        daw.gonder(sorgu)
        assert daw.al() == bytes([0xF0, 0, 0, 0x66, 0x14, 0x01]) + b"OKA0001" + bytes([1, 2, 3, 4, 0xF7])
        assert app.cerceve() == (1, sorgu)

        # SIGTERM while the app holds a button: its release still reaches the workstation, then status 0.
        app.gonder(1, [0x90, 0x5E, 0x7F])
        assert daw.al() == bytes([0x90, 0x5E, 0x7F])
        ortam.yardimci.send_signal(signal.SIGTERM)
        assert ortam.yardimci.wait(5) == 0
        assert daw.al() == bytes([0x90, 0x5E, 0x00])

        # Started again: the ports take back their IDs, and step aside while another client has an "OKA" port.
        ortam.yardimci_baslat()
        ortam.bekle("kimlik hedef %d (geri yüklendi) kaynak %d (geri yüklendi)" %
                    (merhaba["hedefKimlik"], merhaba["kaynakKimlik"]))
        yabanci = daw.istemci.midi_outports.register("OKA")
        ortam.bekle("ÇİFT PORT olmasın diye yardımcının portları KAPATILIYOR")
        yabanci.unregister()
        ortam.bekle("\"OKA\" portları AÇILDI (CoreMIDI bildirimi)")

        # The JACK server stops under a running helper: status 2, so that its service restarts it.
        daw.kapat()
        ortam.jackd.terminate()
        assert ortam.yardimci.wait(10) == 2
    except Exception:
        print("the helper's log:\n   " + "\n   ".join(ortam.satirlar))
        raise
    finally:
        ortam.kapat()


if __name__ == "__main__":
    senaryo(sys.argv[1])
    print("ok")
