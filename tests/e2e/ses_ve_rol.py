"""The plug-in as the app sees it: oka-konak runs the real bundle in real time,
and the websockets library plays the app against the instance's server.

    ses_ve_rol.py OKA_KONAK BUNDLE SCENARIO

Scenarios: "ses" (hello, audio frames, mute and its end), "rol" (a manual
name change moves the instance from the channel port to the master port).
Exits non-zero with the reason when something is not as the app expects.
"""
import asyncio
import json
import math
import re
import struct
import subprocess

import websockets

from uygulama import check, connect, run


async def hello(ws):
    text = await asyncio.wait_for(ws.recv(), timeout=5)
    check(isinstance(text, str), "first message is not text")
    return json.loads(text)


def host(konak, bundle, *args):
    return subprocess.Popen([konak, "--gercek-zaman", "--ton", "-6", "--caliyor", *args, bundle],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


async def audio_and_mute(konak, bundle):
    p = host(konak, bundle, "--sure", "4", "--blok", "512", "--elle-ad", 'Vo"kal ş')
    ws = await connect(53172)
    h = await hello(ws)
    check(re.fullmatch(r"#\d+ vst3", h["ornek"]), h)
    check((h["tip"], h["degisken"], h["surum"], h["rol"]) == ("merhaba", "vst3", "1.1", "kanal"), h)
    check((h["kanalAdi"], h["adKaynagi"]) == ('Vo"kal ş', "elle"), h)
    check((h["ornekleme"], h["kanal"], h["kapi"]) == (48000, 2, 53172), h)
    check((h["konak"], h["surec"], h["anaCikis"]) == ("oka-konak", "oka-konak", None), h)

    frames = []
    while len(frames) < 20:
        m = await asyncio.wait_for(ws.recv(), timeout=5)
        if isinstance(m, bytes):
            frames.append(m)
        else:
            check(json.loads(m)["tip"] in ("nabiz", "merhaba", "tasima"), m)
    for a, b in zip(frames, frames[1:]):
        na, ta, ca, ka = struct.unpack_from("<IdHH", a)
        nb, tb, cb, kb = struct.unpack_from("<IdHH", b)
        check((ca, ka, len(a)) == (2, 512, 16 + 4 * 2 * 512), "layout", ca, ka, len(a))
        check(nb == na + 1 and tb == ta + 512, "frames not consecutive", na, ta, nb, tb)
    no, zaman, _, _ = struct.unpack_from("<IdHH", frames[-1])
    left = struct.unpack_from("<512f", frames[-1], 16)
    expected = [0.5011872336 * math.sin(2 * math.pi * 440 * (zaman + i) / 48000) for i in range(512)]
    check(max(abs(x - y) for x, y in zip(left, expected)) < 1e-4, "samples are not the host's tone")

    await ws.send('{"sustur":true}')
    await asyncio.sleep(0.6)
    await ws.close()
    out, _ = p.communicate(timeout=20)
    check(p.returncode == 0, "host failed:\n" + out)
    m = re.search(r"instance 1: (\d+) blocks \((\d+) passed through, (\d+) muted, 0 WRONG\)", out)
    check(m, "no report line:\n" + out)
    total, passed, muted = map(int, m.groups())
    check(muted >= 40, "the mute did not silence the host's output:\n" + out)
    check(passed >= 100, "the end of the connection did not lift the mute:\n" + out)


async def role_follows_name(konak, bundle):
    p = host(konak, bundle, "--sure", "5", "--ad-degistir", "1.5:Stereo Out")
    ws = await connect(53172)
    h = await hello(ws)
    check((h["rol"], h["kapi"], h["kanalAdi"], h["adKaynagi"]) == ("kanal", 53172, None, "(yok)"), h)
    try:
        while True:  # the role change ends the session
            await asyncio.wait_for(ws.recv(), timeout=4)
    except websockets.ConnectionClosed:
        pass
    ws = await connect(53171)
    h = await hello(ws)
    check((h["rol"], h["kapi"], h["kanalAdi"], h["adKaynagi"]) == ("master", 53171, "Stereo Out", "elle"), h)
    await ws.close()
    out, _ = p.communicate(timeout=20)
    check(p.returncode == 0, "host failed:\n" + out)


if __name__ == "__main__":
    run({"ses": audio_and_mute, "rol": role_follows_name})
