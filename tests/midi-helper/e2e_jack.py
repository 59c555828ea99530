"""The real helper against a private jackd: a JACK client plays the
workstation and a TCP client the app; what only the real system shows, and
the examples of docs/protokol.md compared with what the helper sends and lets
through. argv: path of oka-midi-yardimci."""
import json
import os
import signal
import struct
import subprocess
import sys

hier = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(hier, "..", "..", "tools"), os.path.join(hier, "..", "e2e")]
from belge import JSON, bayt, sekil  # noqa: E402
from jack_ortami import Ortam, hazirla  # noqa: E402


def senaryo(yardimci):
    # No JACK server: status 2, so that the user service starts it again.
    yok = subprocess.run([yardimci], env=dict(os.environ, JACK_DEFAULT_SERVER="oka-olmayan-sunucu"),
                         stderr=subprocess.PIPE, timeout=10)
    assert yok.returncode == 2 and b"MIDIClientCreate hata " in yok.stderr, (yok.returncode, yok.stderr[-300:])

    ortam = Ortam(yardimci)
    try:
        daw, app, govde = hazirla(ortam, b"uygulama 1")
        merhaba, ornek = json.loads(govde), JSON["yardimci-merhaba-yaniti"]
        assert sekil(merhaba) == sekil(ornek) and merhaba["pid"] == ortam.yardimci.pid, merhaba
        assert all(merhaba[k] == ornek[k] for k in ("merhaba", "surum", "port")), merhaba

        # The snapshot a later hello gets: the lights the workstation set, in note order.
        for m in ([0x90, 0x5E, 0x7F], [0x80, 0x08, 0x00]):
            daw.gonder(m)
            assert app.cerceve() == (1, bytes(m))
        app.s.sendall(bayt("yardimci-merhaba"))
        assert app.cerceve()[0] == 2
        anlik = b"".join(struct.pack(">HB", len(g) + 1, t) + g for t, g in (app.cerceve(), app.cerceve()))
        assert anlik == bayt("anlik-goruntu"), anlik.hex(" ")

        # Every note released: the V-Pot turn behind them marks the end of what reaches the workstation.
        for nota in range(128):
            app.gonder(1, [0x90, nota, 0x00])
        app.s.sendall(bayt("vpot"))
        assert {m[1] for m in iter(daw.al, bayt("vpot")[3:])} == set(bayt("beyaz-liste")), "the white list"

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
