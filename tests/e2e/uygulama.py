"""What the end-to-end scenarios share: the app's side of a connection, the
machine-wide lock on the product ports, and the scenario runner."""
import asyncio
import fcntl
import os
import sys
import time

import websockets


def check(condition, *why):
    if not condition:
        raise AssertionError(" ".join(str(w) for w in why))


async def connect(port, deadline_s=5.0):
    """The server listens on its own thread; retry until it does."""
    end = time.monotonic() + deadline_s
    while True:
        try:
            return await websockets.connect("ws://127.0.0.1:%d/" % port, ping_interval=None, close_timeout=1,
                                            max_size=None, compression=None)
        except OSError:
            if time.monotonic() > end:
                raise
            await asyncio.sleep(0.05)


def hold_ports():
    """CTest's resource lock orders the tests of one run; this lock, shared with
    the server suites, also keeps test runs in other build trees off the ports."""
    fd = os.open(os.path.join(os.environ.get("TMPDIR") or "/tmp", "oka-kapilar.kilit"), os.O_RDWR | os.O_CREAT,
                 0o666)
    fcntl.flock(fd, fcntl.LOCK_EX)
    return fd


def run(scenarios):
    """argv: OKA_KONAK BUNDLE SCENARIO. Exits non-zero with the reason on failure."""
    program, bundle, scenario = sys.argv[1:4]
    lock = hold_ports()
    try:
        asyncio.run(asyncio.wait_for(scenarios[scenario](program, bundle), timeout=50))
    except Exception as e:  # the reason is the test's output
        print("FAILED:", type(e).__name__, e)
        sys.exit(1)
    finally:
        os.close(lock)
    print("ok", scenario)
