"""The plug-in as the app sees it, in one pass: oka-konak runs the real bundle
in real time; curl probes the port and the websockets library plays the app,
with its keepalive pings every second.

    uygulama.py OKA_KONAK BUNDLE

The instance starts as a channel on 53172 with a manual name. The app mutes
it, stays connected through ten seconds of pings and audio, and sees the
connection end when a restored name makes the instance the master; the mute
ends with it, and the master serves the app and curl on 53171.
Exits non-zero with the reason when something is not as the app expects.
"""
import asyncio
import fcntl
import json
import math
import os
import re
import struct
import subprocess
import sys
import time

import websockets

RENAME_AT_S = 11.0


def check(condition, *why):
    if not condition:
        raise AssertionError(" ".join(str(w) for w in why))


async def connect(port, deadline_s=5.0):
    """The server listens on its own thread; retry until it does."""
    end = time.monotonic() + deadline_s
    while True:
        try:
            return await websockets.connect("ws://127.0.0.1:%d/" % port, ping_interval=1, ping_timeout=2,
                                            close_timeout=1, max_size=None, compression=None)
        except OSError:
            if time.monotonic() > end:
                raise
            await asyncio.sleep(0.05)


async def hello(ws):
    return json.loads(await asyncio.wait_for(ws.recv(), timeout=5))  # bytes or not JSON: fails


async def one_pass(host):
    ws = await connect(53172)
    h = await hello(ws)
    check((h["tip"], h["rol"], h["kapi"], h["kanalAdi"]) == ("merhaba", "kanal", 53172, 'Vo"kal ş'), h)
    await ws.send('{"sustur":true}')

    frames, pulses = [], 0
    try:
        while True:
            m = await asyncio.wait_for(ws.recv(), timeout=5)
            if isinstance(m, bytes):
                frames.append(m)
            else:
                pulses += json.loads(m)["tip"] == "nabiz"
    except websockets.ConnectionClosed:
        pass
    check(pulses >= RENAME_AT_S - 2, "the connection did not last until the rename:", pulses, "pulses")
    for a, b in zip(frames, frames[1:]):
        na, ta, ca, ka = struct.unpack_from("<IdHH", a)
        nb, tb = struct.unpack_from("<Id", b)
        check((ca, ka, len(a)) == (2, 512, 16 + 4 * 2 * 512), "layout", ca, ka, len(a))
        check(nb == na + 1 and tb == ta + 512, "frames not consecutive", na, ta, nb, tb)
    zaman, left = struct.unpack_from("<d", frames[-1], 4)[0], struct.unpack_from("<512f", frames[-1], 16)
    check(all(abs(x - 0.5011872336 * math.sin(2 * math.pi * 440 * (zaman + i) / 48000)) < 1e-4
              for i, x in enumerate(left)), "samples are not the host's tone")

    ws = await connect(53171)
    h = await hello(ws)
    check((h["rol"], h["kapi"], h["kanalAdi"]) == ("master", 53171, "Stereo Out"), h)
    await ws.close()
    curl = subprocess.run(["curl", "-s", "-i", "http://127.0.0.1:53171/"], capture_output=True, timeout=5)
    out, _ = host.communicate(timeout=20)
    check(host.returncode == 0, "host failed:\n" + out)
    check(curl.stdout == b"HTTP/1.1 200 OK\r\nAccess-Control-Allow-Origin: *\r\nContent-Type: text/plain\r\n"
                         b"Content-Length: 17\r\n\r\nOKA-KOPRU-EKLENTI", "curl got:", curl.stdout)
    m = re.search(r"instance 1: \d+ blocks \((\d+) passed through, (\d+) muted, 0 WRONG\)", out)
    check(m and int(m[2]) >= 8 * 48000 / 512, "no report line or the mute did not hold:\n" + out)
    check(int(m[1]) >= 48000 / 512, "the end of the connection did not lift the mute:\n" + out)


def hold_ports():
    """CTest's resource lock orders the tests of one run; this lock, shared with
    the other suites, also keeps runs in other build trees off the ports.
    Held until the returned descriptor closes with the process."""
    lock = os.open(os.path.join(os.environ.get("TMPDIR") or "/tmp", "oka-kapilar.kilit"), os.O_RDWR | os.O_CREAT,
                   0o666)
    fcntl.flock(lock, fcntl.LOCK_EX)
    return lock


def main():
    konak, bundle = sys.argv[1:3]
    lock = hold_ports()
    host = subprocess.Popen([konak, "--gercek-zaman", "--ton", "-6", "--caliyor", "--blok", "512", "--sure",
                             str(RENAME_AT_S + 2), "--elle-ad", 'Vo"kal ş', "--ad-degistir",
                             "%g:Stereo Out" % RENAME_AT_S, bundle],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    try:
        asyncio.run(asyncio.wait_for(one_pass(host), timeout=50))
    except Exception as e:  # the reason is the test's output
        print("FAILED:", type(e).__name__, e)
        sys.exit(1)
    finally:
        host.kill()  # a host left running would hold the ports for the next run
    print("ok")


if __name__ == "__main__":
    main()
