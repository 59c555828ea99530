"""Shows the helper at work against a private jackd: one message from the
workstation to the app and one back. argv: path of oka-midi-yardimci."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from jack_ortami import Ortam, hazirla  # noqa: E402

ortam = Ortam(sys.argv[1])
try:
    daw, app, merhaba = hazirla(ortam, b"gosteri")
    print("uygulama  <- merhaba:", merhaba.decode())
    daw.gonder([0x90, 0x5E, 0x7F])
    print("iş istasyonu -> 90 5E 7F ; uygulama aldı:", app.cerceve()[1].hex(" ").upper())
    app.gonder(1, [0xB0, 0x10, 0x01])
    print("uygulama -> B0 10 01 ; iş istasyonu aldı:", daw.al().hex(" ").upper())
    app.s.close()
    ortam.bekle("koptu")
    daw.kapat()
finally:
    ortam.kapat()
print("yardımcının günlüğü:")
for satir in ortam.satirlar:
    print("   ", satir)
