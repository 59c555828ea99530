"""izleme.py OKA_KONAK BUNDLE PNG: the monitor page (tools/oka-izle) in headless Chromium from file://,
in Turkish. A master plays a tone; a channel started once the page shows the master is added without a
reload. Both show their port, role, name, level (within 1 dB) and "çalıyor"; the channel's mute switch
mutes its host, and its card goes within 5 s of its host ending. The page is then saved to PNG.
"""
import asyncio
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "oka-izle"))
from tarayici import Tarayici  # noqa: E402

BEKLENEN = [(53171, "master", "Stereo Out", -12.0), (53172, "kanal", 'Vokal "ş"', -6.0)]
HOSTLAR = []


def konak(*secenekler):  # real time, transport playing
    HOSTLAR.append(subprocess.Popen([sys.argv[1], "--gercek-zaman", "--caliyor", *secenekler, sys.argv[2]],
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True))
    return HOSTLAR[-1]


async def gecis(png):
    async with Tarayici("tr") as t:
        konak("--sure", "300", "--ton", "-12", "--kanal-baglami", "ad=Stereo Out")  # killed at the end
        await t.bekle(lambda k: [(x["kapi"], x["rol"]) for x in k] == [(53171, "master")], 30)
        # Long enough for the checks below on a loaded machine; its end is what the page must notice.
        kanal = konak("--sure", "15", "--ton", "-6", "--elle-ad", 'Vokal "ş"')
        k = await t.bekle(lambda k: len(k) == 2 and all("dBFS" in x["seviye"] and x["tasima"] == "çalıyor"
                                                         for x in k), 10, "the channel was not added")
        assert all((x["kapi"], x["rol"], x["ad"]) == b[:3] and abs(float(x["seviye"].split()[0]) - b[3]) <= 1
                   for x, b in zip(k, BEKLENEN)), k
        await t.tikla('[data-kapi="53172"] .sustur')
        cikti = (await asyncio.get_running_loop().run_in_executor(None, kanal.communicate))[0]
        m = re.search(r"instance 1: \d+ blocks \(\d+ passed through, (\d+) muted, 0 WRONG\)", cikti)
        assert m and int(m[1]) > 0, "the mute switch did not mute the host:\n" + cikti
        await t.bekle(lambda k: [x["kapi"] for x in k] == [53171], 5, "the ended instance stayed")
        await t.ekran(png)


if __name__ == "__main__":
    try:
        asyncio.run(asyncio.wait_for(gecis(sys.argv[3]), 150))
    finally:
        for h in HOSTLAR:
            h.kill()  # a host left running would hold the ports for the next run
    print("ok")
