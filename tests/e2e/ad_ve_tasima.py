"""Host naming and transport notices as the app sees them: oka-konak runs the
real bundle in real time, the websockets library plays the app.

    ad_ve_tasima.py OKA_KONAK BUNDLE SCENARIO

Scenarios:
  tasima      starting playback gives a transport message within about a
              second; a tempo change alone gives none; dropping the process
              context gives one that says the transport is unknown
  kabul       "Stereo Out" through the channel context serves on 53171;
              renamed "Vocals" it closes the connection and serves on 53172
  studio-one  in a host process named "Studio One 6" a PreSonus channel named
              "Main" is the master
  ana-cikis   a PreSonus "main" of 1 makes any name the master; when "main"
              starts failing the instance goes back to a channel port
Exits non-zero with the reason when something is not as the app expects.
"""
import asyncio
import json
import os
import re
import tempfile
import time

import websockets

from uygulama import check, connect, run

# A pass of the diagnostics thread every second, then one step of the
# session loop; sanitizer builds run slower.
NOTICE_WITHIN_MS = 1500


def fields(hello, *keys):
    """The hello's values for `keys`; a missing key reads None so a failure shows the whole message."""
    return tuple(hello.get(k) for k in keys)


def now_ms():
    return int(time.monotonic() * 1000)


class Host:
    """oka-konak in real time; its change lines carry the monotonic clock."""

    def __init__(self, proc):
        self.proc = proc
        self.lines = []  # (clock ms, text)
        self.reader = asyncio.ensure_future(self._read())

    @classmethod
    async def start(cls, program, bundle, *args):
        proc = await asyncio.create_subprocess_exec(program, "--gercek-zaman", *args, bundle,
                                                    stdout=asyncio.subprocess.PIPE,
                                                    stderr=asyncio.subprocess.STDOUT)
        return cls(proc)

    async def _read(self):
        while True:
            line = await self.proc.stdout.readline()
            if not line:
                return
            text = line.decode(errors="replace").rstrip("\n")
            m = re.search(r"\[clock (\d+) ms\]", text)
            self.lines.append((int(m.group(1)) if m else now_ms(), text))

    def moment(self, part):
        for ms, text in self.lines:
            if part in text:
                return ms
        raise AssertionError("the host never printed %r:\n%s" % (part, self.output()))

    def output(self):
        return "\n".join(t for _, t in self.lines)

    async def finish(self):
        code = await asyncio.wait_for(self.proc.wait(), timeout=30)
        await self.reader
        check(code == 0, "oka-konak exited with", code, "\n" + self.output())


async def texts_until_closed(ws, limit_s):
    """Every text message with its arrival time, until the server closes or the time is up."""
    got = []
    end = time.monotonic() + limit_s
    try:
        while time.monotonic() < end:
            try:
                m = await asyncio.wait_for(ws.recv(), timeout=max(0.01, end - time.monotonic()))
            except asyncio.TimeoutError:
                break
            if isinstance(m, str):
                got.append((now_ms(), json.loads(m)))
        closed = False
    except websockets.ConnectionClosed:
        closed = True
    return got, closed, now_ms()


async def refused(port):
    try:
        _, w = await asyncio.open_connection("127.0.0.1", port)
        w.close()
        return False
    except OSError:
        return True


async def transport(program, bundle):
    host = await Host.start(program, bundle, "--sure", "6.4", "--tasima", "1.0:cal", "--tasima", "2.8:tempo=90",
                            "--tasima", "4.6:baglamsiz")
    ws = await connect(53172)
    got, closed, _ = await texts_until_closed(ws, 10)
    await host.finish()
    check(got and fields(got[0][1], "tip", "rol") == ("merhaba", "kanal"), "no channel hello:", got[:1])
    notices = [(ms, m) for ms, m in got if m["tip"] == "tasima"]
    play = host.moment("transport playing")
    tempo = host.moment("transport tempo")
    drop = host.moment("transport no process context")

    started = [ms for ms, m in notices if m["caliyor"] and play <= ms]
    check(started and started[0] - play <= NOTICE_WITHIN_MS,
          "no transport message with caliyor true within %d ms of playback:" % NOTICE_WITHIN_MS, notices)
    check(not [1 for ms, _ in notices if tempo <= ms < drop], "a tempo change alone gave a transport message:",
          notices, "tempo at", tempo, "drop at", drop)
    unknown = [ms for ms, m in notices if m["bilinmiyor"] and drop <= ms]
    check(unknown and unknown[0] - drop <= NOTICE_WITHIN_MS,
          "no transport message with bilinmiyor true within %d ms of dropping the context:" % NOTICE_WITHIN_MS,
          notices)
    pulses = [m for _, m in got if m["tip"] == "nabiz"]
    check(len(pulses) >= 4, "the pulse stopped:", len(pulses))


async def acceptance(program, bundle):
    host = await Host.start(program, bundle, "--sure", "5", "--ton", "-12", "--kanal-baglami",
                            "ad=Stereo Out|sira=0|renk=16711935", "--baglam-degistir", "2.5:ad=Vocals")
    ws = await connect(53171)
    got, closed, closed_at = await texts_until_closed(ws, 10)
    check(got, "nothing on 53171")
    h = got[0][1]
    check(fields(h, "tip", "rol", "kapi", "kanalAdi", "adKaynagi") ==
          ("merhaba", "master", 53171, "Stereo Out", "kanal-baglami"), "hello on 53171:", h)
    check(closed, "the master connection stayed open after the rename")
    ws2 = await connect(53172)
    got2, _, _ = await texts_until_closed(ws2, 0.5)
    port_freed = await refused(53171)
    await ws2.close()
    await host.finish()
    renamed = host.moment('channel context ad="Vocals": ok')
    check(renamed <= closed_at <= renamed + 1000, "closed at", closed_at, "rename at", renamed)
    h2 = got2[0][1]
    check(fields(h2, "tip", "rol", "kapi", "kanalAdi", "adKaynagi") ==
          ("merhaba", "kanal", 53172, "Vocals", "kanal-baglami"), "hello on 53172:", h2)
    check(port_freed, "53171 still listening after the instance became a channel")


async def hello_on(program, bundle, port, *args):
    host = await Host.start(program, bundle, "--sure", "1.5", *args)
    ws = await connect(port)
    got, _, _ = await texts_until_closed(ws, 0.3)
    await ws.close()
    await host.finish()
    check(got, "no hello on", port)
    return got[0][1], host


async def studio_one(program, bundle):
    with tempfile.TemporaryDirectory() as d:
        link = os.path.join(d, "Studio One 6")
        os.symlink(os.path.abspath(program), link)
        h, _ = await hello_on(link, bundle, 53171, "--presonus-ad", "Main")
    check(fields(h, "rol", "kanalAdi", "adKaynagi", "konak", "surec", "anaCikis") ==
          ("master", "Main", "presonus", "Studio One", "Studio One 6", None), h)


async def main_output(program, bundle):
    host = await Host.start(program, bundle, "--sure", "4", "--presonus-ad", "Bus 3", "--presonus-ana", "1",
                            "--presonus-degistir", "1.5:ana-yok")
    ws = await connect(53171)
    got, closed, _ = await texts_until_closed(ws, 10)
    h = got[0][1]
    check(fields(h, "rol", "kanalAdi", "adKaynagi", "anaCikis") == ("master", "Bus 3", "presonus", 1), h)
    check(closed, "a failed \"main\" left the master connection open")
    ws2 = await connect(53172)
    got2, _, _ = await texts_until_closed(ws2, 0.3)
    await ws2.close()
    await host.finish()
    h2 = got2[0][1]
    check(fields(h2, "rol", "kapi", "anaCikis") == ("kanal", 53172, None), h2)


SCENARIOS = {"tasima": transport, "kabul": acceptance, "studio-one": studio_one, "ana-cikis": main_output}


if __name__ == "__main__":
    run(SCENARIOS)
