"""A private JACK server, the real helper against it, a JACK client playing
the workstation and a TCP client playing the app. Shared by the end-to-end
test, the benchmark and the demo."""
import collections
import os
import queue
import shutil
import socket
import struct
import subprocess
import tempfile
import threading
import time

import jack

# libjack reports every failed connection attempt on standard error; the checks say what matters.
jack.set_error_function(lambda mesaj: None)
jack.set_info_function(lambda mesaj: None)


def bekle_kadar(kosul, neden, sure=5.0):
    son = time.monotonic() + sure
    while not kosul():
        if time.monotonic() > son:
            raise AssertionError(neden)
        time.sleep(0.01)


class Ortam:
    """jackd (dummy driver, a server name of its own) and the helper. Both are stopped by kapat()."""

    def __init__(self, yardimci, donem=256):
        self.sunucu = "oka-midi-%d-%d" % (os.getpid(), int(time.monotonic() * 1000) % 100000)
        os.environ.update(JACK_DEFAULT_SERVER=self.sunucu, JACK_NO_AUDIO_RESERVATION="1")
        self.dizin, self.yardimci_yolu, self.yardimci, self.satirlar = tempfile.mkdtemp(), yardimci, None, []
        self.jackd = subprocess.Popen(["jackd", "--no-realtime", "-n", self.sunucu, "-S", "-t", "10000", "-d",
                                       "dummy", "-r", "48000", "-p", str(donem)],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            bekle_kadar(self._sunucu_var, "jackd gave no server within 10 s", 10)
        except BaseException:
            self.kapat()  # the callers' own clean-up starts only once this returns
            raise

    def _sunucu_var(self):
        # Not through a client of this process: libjack serves one server per process.
        durum = subprocess.run(["jack_wait", "-s", self.sunucu, "-c"], capture_output=True, text=True)
        return durum.stdout.strip() == "running"

    def yardimci_baslat(self, **ortam):
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        self.kapi = s.getsockname()[1]
        s.close()
        # Its own server even when another environment was made since.
        env = dict(os.environ, JACK_DEFAULT_SERVER=self.sunucu, OKA_YARDIMCI_KAPI=str(self.kapi),
                   XDG_CONFIG_HOME=self.dizin, **ortam)
        self.yardimci = subprocess.Popen([self.yardimci_yolu], stderr=subprocess.PIPE, env=env)
        threading.Thread(target=self._oku, args=(self.yardimci,), daemon=True).start()

    def _oku(self, surec):
        for satir in surec.stderr:
            # "yyyy-MM-dd HH:mm:ss.SSS [oka-midi-yardimci] " comes first
            self.satirlar.append(satir.decode(errors="replace").rstrip("\n").split("[oka-midi-yardimci] ", 1)[-1])

    def say(self, parca):
        return sum(parca in s for s in list(self.satirlar))

    def bekle(self, parca, sayi=1):
        bekle_kadar(lambda: self.say(parca) >= sayi,
                    "no log line: %s\n%s" % (parca, "\n".join(self.satirlar)))

    def kapat(self):
        for surec in (self.yardimci, self.jackd):
            if surec and surec.poll() is None:
                surec.terminate()  # jackd cleans its shared memory up only when it is let go
                try:
                    surec.wait(5)
                except subprocess.TimeoutExpired:
                    surec.kill()
                    surec.wait()
        shutil.rmtree(self.dizin, ignore_errors=True)


class IsIstasyonu:
    """A JACK client with one MIDI output and one input, connected to the helper's ports by their alias."""

    def __init__(self, ortam):
        self.istemci = jack.Client("DAW", no_start_server=True, servername=ortam.sunucu)
        self.cikis = self.istemci.midi_outports.register("out")
        self.giris = self.istemci.midi_inports.register("in")
        self.gelen, self.giden, self.yazildi = queue.Queue(), collections.deque(), queue.Queue()
        self.uret = self.uretilen = 0  # fader moves the callback itself writes each cycle (for the rate)

        @self.istemci.set_process_callback
        def isle(kareler):
            simdi = time.perf_counter()
            for _, veri in self.giris.incoming_midi_events():
                self.gelen.put((simdi, bytes(veri)))
            self.cikis.clear_buffer()
            try:
                for _ in range(self.uret):
                    self.cikis.write_midi_event(0, bytes([0xE0 | self.uretilen % 8, self.uretilen % 0x80, 0x40]))
                    self.uretilen += 1
                while self.giden:
                    self.cikis.write_midi_event(0, self.giden[0])
                    self.yazildi.put(time.perf_counter())  # the helper reads it later in this same cycle
                    self.giden.popleft()
            except jack.JackErrorCode:
                pass  # the port's buffer is full for this cycle

        self.istemci.activate()

    def yardimci_portlari(self):
        """(helper's source, helper's destination), or None while they are not there."""
        p = {x.is_output: x for x in self.istemci.get_ports(is_midi=True) if "OKA" in x.aliases}
        return (p[True], p[False]) if len(p) == 2 else None

    def gonder(self, m):
        self.giden.append(bytes(m))

    def al(self):
        return self.gelen.get(timeout=2)[1]  # queue.Empty: the workstation received nothing within 2 s

    def hepsi(self, sessizlik=1.0):
        """Everything received until nothing more comes for `sessizlik` seconds."""
        gelen = []
        try:
            while True:
                gelen.append(self.gelen.get(timeout=sessizlik)[1])
        except queue.Empty:
            return gelen

    def kapat(self):
        self.istemci.close()


class Uygulama:
    """The app's TCP link: length-prefixed frames both ways."""

    def __init__(self, kapi):
        self.s, self.tampon = socket.create_connection(("127.0.0.1", kapi), timeout=2), b""
        self.s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def gonder(self, tip, govde):
        self.s.sendall(struct.pack(">HB", len(govde) + 1, tip) + bytes(govde))

    def cerceve(self):
        while len(self.tampon) < 2 or len(self.tampon) < struct.unpack(">H", self.tampon[:2])[0] + 2:
            veri = self.s.recv(65536)
            if not veri:
                raise AssertionError("the helper closed the app link")
            self.tampon += veri
        n = struct.unpack(">H", self.tampon[:2])[0] + 2
        c, self.tampon = self.tampon[:n], self.tampon[n:]
        return c[2], c[3:]


def hazirla(ortam, merhaba):
    """The helper started with its ports open, the workstation connected to them and an app whose hello is
    answered: (workstation, app, the hello answer's body)."""
    ortam.yardimci_baslat()
    daw = IsIstasyonu(ortam)
    bekle_kadar(daw.yardimci_portlari, "the helper's ports did not appear")
    kaynak, hedef = daw.yardimci_portlari()
    daw.istemci.connect(daw.cikis, hedef)
    daw.istemci.connect(kaynak, daw.giris)
    # The query the helper sends as its ports open may or may not arrive, depending on who was first.
    time.sleep(0.1)
    while not daw.gelen.empty():
        daw.gelen.get()
    app = Uygulama(ortam.kapi)
    app.gonder(2, merhaba)
    return daw, app, app.cerceve()[1]
