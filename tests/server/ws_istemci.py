"""The app's side of a bridge instance, played by the websockets library.

Prints one line per event so the C++ test can check it:
  METIN <ms> <text>
  IKILI <ms> <no> <zaman> <kanal> <kare> <payload bytes> <samples match zaman: 1/0>
  KAPANDI
Milliseconds count from just before the connection is opened.
"""
import argparse
import asyncio
import json
import struct
import sys
import time

import websockets


def satir(*parcalar):
    print(*parcalar, flush=True)


async def oturum(kapi, nabiz_sayisi, komutlar):
    uri = "ws://127.0.0.1:%d/" % kapi
    bas = time.monotonic()  # before the request, so before the server's hello and pulse clock
    async with websockets.connect(uri, ping_interval=None, close_timeout=1, max_size=None,
                                  compression=None) as ws:
        nabiz = 0
        gonderildi = False
        while nabiz < nabiz_sayisi:
            mesaj = await asyncio.wait_for(ws.recv(), timeout=10)
            ms = int((time.monotonic() - bas) * 1000)
            if isinstance(mesaj, str):
                json.loads(mesaj)  # every text must be valid JSON
                satir("METIN", ms, mesaj)
                if '"tip":"nabiz"' in mesaj:
                    nabiz += 1
                if not gonderildi:
                    for k in komutlar:
                        await ws.send(k)
                    gonderildi = True
            else:
                no, zaman, kanal, kare = struct.unpack_from("<IdHH", mesaj, 0)
                n = kanal * kare
                ornekler = struct.unpack_from("<%df" % n, mesaj, 16) if len(mesaj) == 16 + 4 * n else ()
                uyumlu = len(ornekler) == n and all(x == float(struct.unpack("<f", struct.pack("<f", zaman))[0])
                                                    for x in ornekler)
                satir("IKILI", ms, no, zaman, kanal, kare, len(mesaj), 1 if uyumlu else 0)
    satir("KAPANDI")


async def merhabalar(kapilar):
    for kapi in kapilar:
        async with websockets.connect("ws://127.0.0.1:%d/" % kapi, ping_interval=None,
                                      close_timeout=1) as ws:
            satir("MERHABA", kapi, await asyncio.wait_for(ws.recv(), timeout=10))


def main():
    p = argparse.ArgumentParser()
    alt = p.add_subparsers(dest="is_", required=True)
    o = alt.add_parser("oturum")
    o.add_argument("kapi", type=int)
    o.add_argument("--nabiz", type=int, default=1, help="pulses to wait for before closing")
    o.add_argument("--komut", action="append", default=[], help="text sent after the hello")
    m = alt.add_parser("merhabalar")
    m.add_argument("kapilar", type=int, nargs="+")
    a = p.parse_args()
    try:
        if a.is_ == "oturum":
            asyncio.run(oturum(a.kapi, a.nabiz, a.komut))
        else:
            asyncio.run(merhabalar(a.kapilar))
    except Exception as e:  # the test reads the failure from the output
        satir("HATA", type(e).__name__, e)
        sys.exit(1)


if __name__ == "__main__":
    main()
