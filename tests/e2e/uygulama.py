"""uygulama.py OKA_KONAK BUNDLE: the plug-in as the app sees it, in one pass. oka-konak
runs the real bundle in real time as a channel with a manual name on the port it reports;
the app (websockets, with keepalive pings every second) mutes it and stays through ten
seconds of audio until a restored name makes it the master, which ends the connection and
the mute; the master then serves the app, a raw handshake and curl on 53171. A block dropped
under load takes its frame number: every gap must be one in time too. The wire is compared
with the examples of docs/protokol.md. Exits non-zero with the reason.
"""
import asyncio
import json
import math
import re
import socket
import struct
import subprocess
import sys

import websockets

from belge import JSON, ORNEK, bayt, http, sekil

RENAME_AT_S = 11.0
STOP_AT_S = 5.0


async def hello(port, host):
    """Connects and returns the hello, trying again while the host runs (a role change moves it)."""
    while True:
        try:
            ws = await websockets.connect("ws://127.0.0.1:%d/" % port, ping_interval=1, ping_timeout=2,
                                          close_timeout=1, max_size=None, compression=None)
            return ws, json.loads(await asyncio.wait_for(ws.recv(), timeout=5))  # bytes or not JSON: fails
        except ConnectionRefusedError:
            if host.poll() is not None:
                raise
            await asyncio.sleep(0.05)


async def one_pass(host):
    out = []  # the host's output up to its probe line, which reports the port once the instance answers on it
    for line in host.stdout:
        out.append(line)
        if m := re.match(r"probe +OKA-KOPRU-EKLENTI answers on 127\.0\.0\.1 port\(s\): (.*)", line):
            break
    else:
        raise AssertionError("the host ended before its probe:\n" + "".join(out))
    assert re.fullmatch(r"\d+", m[1]), "not one instance serving, but: " + m[1]
    port = int(m[1])
    ws, h = await hello(port, host)
    assert (h["tip"], h["rol"], h["kapi"], h["kanalAdi"]) == ("merhaba", "kanal", port, 'Vo"kal ş'), h
    await ws.send(ORNEK["sustur"])
    frames, texts = [], []
    try:
        while True:
            m = await asyncio.wait_for(ws.recv(), timeout=5)
            if isinstance(m, bytes):
                frames.append(m)
            else:
                texts.append(json.loads(m))
    except websockets.ConnectionClosed:
        pass
    pulses = [t for t in texts if t["tip"] == "nabiz"]
    assert len(pulses) >= RENAME_AT_S - 2, "the connection did not last until the rename: %d pulses" % len(pulses)
    assert pulses[0] == JSON["nabiz"] and JSON["tasima"] in texts, texts  # playing, then stopped at STOP_AT_S
    for a, b in zip(frames, frames[1:]):
        na, ta = struct.unpack_from("<Id", a)
        nb, tb = struct.unpack_from("<Id", b)
        assert (a[12:16], len(a)) == (bayt("ses")[12:16], 16 + 4 * 2 * 512), ("layout", a[:16], len(a))
        assert nb > na and tb == ta + 512 * (nb - na), ("a gap in time not counted as dropped", na, ta, nb, tb)
    zaman, left = struct.unpack_from("<d", frames[-1], 4)[0], struct.unpack_from("<512f", frames[-1], 16)
    assert all(abs(x - 0.5011872336 * math.sin(2 * math.pi * 440 * (zaman + i) / 48000)) < 1e-4
               for i, x in enumerate(left)), "samples are not the host's tone"

    ws, h = await hello(53171, host)
    ornek = {k: v for k, v in JSON["merhaba"].items() if k not in ("konak", "surec", "adKaynagi")}
    assert sekil(h) == sekil(JSON["merhaba"]) and ornek.items() <= h.items(), h
    await ws.close()
    with socket.create_connection(("127.0.0.1", 53171), timeout=5) as s:
        s.sendall(b"GET / HTTP/1.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                  b"Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n")
        assert s.makefile("rb").read(len(http("el-sikisma"))) == http("el-sikisma"), "handshake"
    curl = subprocess.run(["curl", "-s", "-i", "http://127.0.0.1:53171/"], capture_output=True, timeout=5)
    out = "".join(out) + host.communicate(timeout=20)[0]
    assert host.returncode == 0, "host failed:\n" + out
    assert curl.stdout == http("yoklama"), curl.stdout
    m = re.search(r"instance 1: \d+ blocks \((\d+) passed through, (\d+) muted, 0 WRONG\)", out)
    assert m and int(m[2]) >= 8 * 48000 / 512, "no report line or the mute did not hold:\n" + out
    assert int(m[1]) >= 48000 / 512, "the end of the connection did not lift the mute:\n" + out


def main():
    konak, bundle = sys.argv[1:3]
    host = subprocess.Popen([konak, "--gercek-zaman", "--ton", "-6", "--caliyor", "--tasima", "%g:dur" % STOP_AT_S,
                             "--blok", "512", "--sure",
                             str(RENAME_AT_S + 2), "--elle-ad", 'Vo"kal ş', "--ad-degistir",
                             "%g:Stereo Out" % RENAME_AT_S, "--yokla", bundle],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    try:
        asyncio.run(asyncio.wait_for(one_pass(host), timeout=50))
    finally:
        host.kill()  # a host left running would hold the ports for the next run
    print("ok")


if __name__ == "__main__":
    main()
