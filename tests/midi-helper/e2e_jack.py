"""The real helper against a private jackd: a JACK client plays the
workstation and a TCP client the app; what only the real system shows, and
the examples of docs/protokol.md compared with what the helper sends and lets
through. argv: path of oka-midi-yardimci."""
import json
import os
import re
import signal
import struct
import subprocess
import sys
import time

hier = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(hier, "..", "..", "tools"), os.path.join(hier, "..", "e2e")]
from belge import JSON, bayt, sekil  # noqa: E402
from jack_ortami import Ortam, Uygulama, hazirla  # noqa: E402

BIRAKMA = bytes([0x90, 0x5E, 0x00])


def merhaba_al(ortam, metin):
    app = Uygulama(ortam.kapi)
    app.gonder(2, metin)
    return app, json.loads(app.cerceve()[1])


def senaryo(yardimci):
    # No JACK server: status 2, so that the user service starts it again.
    yok = subprocess.run([yardimci], env=dict(os.environ, JACK_DEFAULT_SERVER="oka-olmayan-sunucu"),
                         stderr=subprocess.PIPE, timeout=10)
    assert yok.returncode == 2 and b"MIDIClientCreate hata " in yok.stderr, (yok.returncode, yok.stderr[-300:])

    # Long cycles: a port's last cycle read again would show.
    ortam, yan = Ortam(yardimci, donem=2048), None
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

        # A held button, more V-Pot turns in one write than the MIDI output holds (unless the helper is slower
        # than the cycles, as under a sanitizer), then the app goes: every turn arrives once or is counted as
        # refused, and the release arrives, once, last.
        app.gonder(1, [0x90, 0x5E, 0x7F])
        assert daw.al() == bytes([0x90, 0x5E, 0x7F])
        sel = 60000
        app.s.sendall(b"".join(struct.pack(">HB3B", 4, 1, 0xB0, 0x10, 1 + i % 0x3F) for i in range(sel)))
        app.s.close()
        ortam.bekle("BIRAKILDI (uygulama koptu): 5E")
        gelen = daw.hepsi()
        reddedilen = sum(int(n) for n in re.findall(r"gönderilemeyen mesaj: (\d+)", "\n".join(ortam.satirlar)))
        assert gelen.count(BIRAKMA) == 1 and gelen[-1] == BIRAKMA, gelen[-3:]
        assert len(gelen) - 1 + reddedilen == sel, (len(gelen), reddedilen)

        # SIGTERM right after a press and a turn: the release goes out before the ports close, and the port's
        # last cycle is not read twice. Then status 0.
        app, _ = merhaba_al(ortam, b"uygulama 2")
        app.gonder(1, [0x90, 0x5E, 0x7F])
        app.gonder(1, [0xB0, 0x10, 0x01])
        assert (daw.al(), daw.al()) == (bytes([0x90, 0x5E, 0x7F]), bytes([0xB0, 0x10, 0x01]))
        ortam.yardimci.send_signal(signal.SIGTERM)
        assert ortam.yardimci.wait(5) == 0
        assert daw.hepsi() == [BIRAKMA]

        # Started again: the ports take back their IDs, and a helper of another server started next to it
        # leaves them alone.
        ortam.yardimci_baslat()
        ortam.bekle("kimlik hedef %d (geri yüklendi) kaynak %d (geri yüklendi)" %
                    (merhaba["hedefKimlik"], merhaba["kaynakKimlik"]))
        yan = Ortam(yardimci)
        yan.yardimci_baslat()
        yan.bekle("portları AÇILDI")
        _, simdi = merhaba_al(ortam, b"uygulama 3")
        assert (simdi["hedefKimlik"], simdi["kaynakKimlik"]) == (merhaba["hedefKimlik"], merhaba["kaynakKimlik"])

        # A port name JACK refuses: tried again once a second, not on each notification of the failed try.
        yan.yardimci.terminate()
        yan.yardimci.wait(5)
        yan.satirlar.clear()
        yan.yardimci_baslat(OKA_YARDIMCI_PORT_ADI="x" * 300)
        yan.bekle("port açılamadı")
        time.sleep(3)
        assert 3 <= yan.say("port açılamadı") <= 5, yan.say("port açılamadı")

        # Another client's "OKA" port: the helper steps aside while it is there.
        yabanci = daw.istemci.midi_outports.register("OKA")
        ortam.bekle("ÇİFT PORT olmasın diye yardımcının portları KAPATILIYOR")
        yabanci.unregister()
        ortam.bekle("\"OKA\" portları AÇILDI (CoreMIDI bildirimi)")

        # The JACK server stops under a running helper: status 2, so that its service restarts it.
        daw.kapat()
        ortam.jackd.terminate()
        assert ortam.yardimci.wait(10) == 2
    except Exception:
        for o in (ortam, yan):
            if o:
                print("the helper's log:\n   " + "\n   ".join(o.satirlar[-40:]))
        raise
    finally:
        for o in (ortam, yan):
            if o:
                o.kapat()


if __name__ == "__main__":
    senaryo(sys.argv[1])
    print("ok")
