"""Headless Chromium with the monitor page (izle.html) loaded from file://, driven
over its DevTools protocol. As a program it waits until the page shows the
instances and saves a screenshot:

    tarayici.py --cikti izle.png [--dil tr|en] [--ornek N] [--sure S]

The browser gets a fresh profile and the flags that keep it off the network, so
it reaches nothing but 127.0.0.1.
"""
import argparse
import asyncio
import base64
import ctypes
import itertools
import json
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

import websockets

SAYFA = pathlib.Path(__file__).resolve().with_name("izle.html").as_uri()
BAYRAKLAR = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--no-proxy-server", "--mute-audio", "--remote-debugging-port=0", "--window-size=900,640"]
# The cards as the user reads them, one dict per card.
KARTLAR = """[...document.querySelectorAll('.ornek')].map(k => Object.fromEntries(
    ['kapi', 'rol', 'ad', 'seviye', 'tasima', 'nabiz', 'eksik'].map(s =>
        [s, s == 'kapi' ? Number(k.dataset.kapi) : k.querySelector('.' + s).textContent])))"""


def _bizimle_bit():
    # A browser left behind would hold the instances' only client slot; it ends when we do, however we end.
    if sys.platform.startswith("linux"):
        ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class Tarayici:
    """One Chromium process and its page; use with `async with`."""

    def __init__(self, dil="en"):
        self.dil, self.profil, self.surec, self.ws, self.sayac = dil, tempfile.mkdtemp(), None, None, itertools.count(1)

    async def __aenter__(self):
        try:
            return await self._ac()
        except BaseException:
            await self.__aexit__()  # `async with` ends nothing whose start failed: the browser and its profile
            raise

    async def _ac(self):
        dil = "tr-TR" if self.dil == "tr" else "en-US"
        self.surec = subprocess.Popen(["chromium", *BAYRAKLAR, "--user-data-dir=" + self.profil, "--lang=" + dil,
                                       "--accept-lang=" + dil, "about:blank"],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=_bizimle_bit)
        # Chromium writes its DevTools port into the profile once it listens.
        dosya = pathlib.Path(self.profil, "DevToolsActivePort")
        await self._kadar(lambda: dosya.exists() and len(dosya.read_text().split()) >= 2, 60, "no DevTools port")
        kapi = dosya.read_text().split()[0]
        acici = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        hedefler = json.load(acici.open("http://127.0.0.1:%s/json/list" % kapi, timeout=10))
        sayfa = next(h for h in hedefler if h["type"] == "page")
        self.ws = await websockets.connect(sayfa["webSocketDebuggerUrl"], max_size=None)
        await self.komut("Page.enable")
        await self.komut("Page.navigate", url=SAYFA)
        return self

    async def __aexit__(self, *hata):
        if self.ws:
            await self.ws.close()
        if self.surec and self.surec.poll() is None:
            self.surec.terminate()
            try:
                self.surec.wait(10)
            except subprocess.TimeoutExpired:
                self.surec.kill()
                self.surec.wait()
        shutil.rmtree(self.profil, ignore_errors=True)

    async def _kadar(self, kosul, sure, neden):
        son = time.monotonic() + sure
        while not kosul():
            if self.surec.poll() is not None:
                raise RuntimeError("chromium ended with status %d" % self.surec.returncode)
            if time.monotonic() > son:
                raise TimeoutError(neden)
            await asyncio.sleep(0.05)

    async def komut(self, yontem, **parametreler):
        """Sends one DevTools command and returns its result; events in between are skipped."""
        no = next(self.sayac)
        await self.ws.send(json.dumps({"id": no, "method": yontem, "params": parametreler}))
        while True:
            yanit = json.loads(await asyncio.wait_for(self.ws.recv(), 30))
            if yanit.get("id") == no:
                if "error" in yanit:
                    raise RuntimeError("%s: %s" % (yontem, yanit["error"]))
                return yanit["result"]

    async def deger(self, ifade):
        """The value of a JavaScript expression in the page."""
        r = await self.komut("Runtime.evaluate", expression=ifade, returnByValue=True)
        if "exceptionDetails" in r:
            raise RuntimeError("%s: %s" % (ifade, r["exceptionDetails"]))
        return r["result"].get("value")

    async def bekle(self, kosul, sure=20, neden="the page never showed it"):
        """Waits until kosul(the cards) holds; returns the cards."""
        son = time.monotonic() + sure
        while True:
            kartlar = await self.deger(KARTLAR)
            if kosul(kartlar):
                return kartlar
            if time.monotonic() > son:
                raise TimeoutError("%s: %s" % (neden, kartlar))
            await asyncio.sleep(0.1)

    async def tikla(self, secici):
        await self.deger("document.querySelector(%s).click()" % json.dumps(secici))

    async def ekran(self, yol):
        """Saves a PNG of the whole page."""
        en, boy = await self.deger("[document.body.scrollWidth, document.body.scrollHeight]")
        r = await self.komut("Page.captureScreenshot", format="png", captureBeyondViewport=True,
                             clip={"x": 0, "y": 0, "width": en, "height": boy, "scale": 1})
        pathlib.Path(yol).write_bytes(base64.b64decode(r["data"]))


async def ana(a):
    async with Tarayici(a.dil) as t:
        await t.bekle(lambda k: len(k) >= a.ornek and all(x["rol"] for x in k), a.sure,
                      "fewer instances than --ornek")
        await asyncio.sleep(1.5)  # a pulse or two, so the card shows its age
        await t.ekran(a.cikti)


if __name__ == "__main__":
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--cikti", required=True, help="PNG to write")
    p.add_argument("--dil", choices=("tr", "en"), default="en", help="the browser's language")
    p.add_argument("--ornek", type=int, default=1, help="instances to wait for (default 1)")
    p.add_argument("--sure", type=float, default=20, help="seconds to wait for them (default 20)")
    try:
        asyncio.run(ana(p.parse_args()))
    except (TimeoutError, RuntimeError) as e:
        sys.exit("tarayici.py: %s" % e)
