"""A private JACK server, the real helper against it, a JACK client playing
the workstation and a TCP client playing the app. Shared by the end-to-end
test and the benchmark."""
import collections
import os
import queue
import shutil
import signal
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


class Hata(Exception):
    pass


def bekle_kadar(kosul, neden, sure=5.0):
    son = time.monotonic() + sure
    while not kosul():
        if time.monotonic() > son:
            raise Hata(neden)
        time.sleep(0.02)


def bos_kapi():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    kapi = s.getsockname()[1]
    s.close()
    return kapi


class Ortam:
    """jackd (dummy driver, a server name of its own) and the helper. Both are stopped by kapat()."""

    def __init__(self, yardimci, donem=256):
        self.sunucu = "oka-midi-%d-%d" % (os.getpid(), int(time.monotonic() * 1000) % 100000)
        os.environ["JACK_DEFAULT_SERVER"] = self.sunucu
        os.environ["JACK_NO_AUDIO_RESERVATION"] = "1"
        self.dizin = tempfile.mkdtemp(prefix="oka-midi-")
        self.yardimci_yolu = yardimci
        self.jackd = subprocess.Popen(
            ["jackd", "--no-realtime", "-n", self.sunucu, "-S", "-t", "10000", "-d", "dummy", "-r", "48000",
             "-p", str(donem)],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, start_new_session=True)
        self.yardimci = None
        self.satirlar = []
        self._kilit = threading.Lock()
        son = time.monotonic() + 10
        while True:
            if self.jackd.poll() is not None:
                raise Hata("jackd did not start: " + self.jackd.stderr.read().decode(errors="replace")[-500:])
            try:
                jack.Client("oka-yokla", no_start_server=True, servername=self.sunucu).close()
                break
            except jack.JackError:
                if time.monotonic() > son:
                    raise Hata("jackd gave no server within 10 s")
                time.sleep(0.05)

    def yardimci_baslat(self, ortam=None):
        self.kapi = bos_kapi()
        env = dict(os.environ, OKA_YARDIMCI_KAPI=str(self.kapi), XDG_CONFIG_HOME=self.dizin)
        env.update(ortam or {})
        self.yardimci = subprocess.Popen([self.yardimci_yolu], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                         env=env)
        threading.Thread(target=self._oku, args=(self.yardimci,), daemon=True).start()

    def _oku(self, surec):
        for satir in surec.stderr:
            metin = satir.decode(errors="replace").rstrip("\n")
            # "yyyy-MM-dd HH:mm:ss.SSS [oka-midi-yardimci] " comes first
            with self._kilit:
                self.satirlar.append(metin.split("[oka-midi-yardimci] ", 1)[-1])

    def say(self, parca):
        with self._kilit:
            return sum(parca in s for s in self.satirlar)

    def bekle(self, parca, sayi=1, sure=5.0):
        son = time.monotonic() + sure
        while self.say(parca) < sayi:
            if self.yardimci and self.yardimci.poll() is not None and self.say(parca) < sayi:
                raise Hata("the helper exited (%s) before: %s\n%s" % (self.yardimci.returncode, parca,
                                                                      "\n".join(self.satirlar)))
            if time.monotonic() > son:
                raise Hata("no log line within %.0f s: %s\n%s" % (sure, parca, "\n".join(self.satirlar)))
            time.sleep(0.01)

    def kapat(self):
        for surec in (self.yardimci, self.jackd):
            if surec and surec.poll() is None:
                surec.terminate()
                try:
                    surec.wait(5)
                except subprocess.TimeoutExpired:
                    surec.kill()
                    surec.wait()
        shutil.rmtree(self.dizin, ignore_errors=True)


class IsIstasyonu:
    """A JACK client with one MIDI output and one input, connected to the helper's ports by their alias."""

    def __init__(self, ortam, ad="DAW", port_adi="OKA"):
        self.istemci = jack.Client(ad, no_start_server=True, servername=ortam.sunucu)
        self.cikis = self.istemci.midi_outports.register("out")
        self.giris = self.istemci.midi_inports.register("in")
        self.gelen = queue.Queue()
        self.giden = collections.deque()
        self.port_adi = port_adi
        self.uret = 0  # fader moves the callback itself writes each cycle (for rates Python could not feed)
        self.uretilen = 0

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
            except jack.JackErrorCode:
                pass  # the port's buffer is full for this cycle
            while self.giden:
                try:
                    self.cikis.write_midi_event(0, self.giden[0])
                except jack.JackErrorCode:
                    break  # the port's buffer is full for this cycle: the rest goes next cycle
                self.giden.popleft()

        self.istemci.activate()

    def yardimci_portlari(self):
        """(helper's source, helper's destination), or None while they are not there."""
        kaynak = hedef = None
        try:
            for p in self.istemci.get_ports(is_midi=True):
                if not p.name.startswith(self.istemci.name + ":") and self.port_adi in p.aliases:
                    if p.is_output:
                        kaynak = p
                    else:
                        hedef = p
        except jack.JackError:
            return None  # a port went between listing and looking it up: they are changing
        return (kaynak, hedef) if kaynak and hedef else None

    def bagla(self, sure=5.0):
        bekle_kadar(self.yardimci_portlari, "the helper's ports did not appear", sure)
        kaynak, hedef = self.yardimci_portlari()
        self.istemci.connect(self.cikis, hedef)
        self.istemci.connect(kaynak, self.giris)
        # The query the helper sends when its ports open may or may not arrive, depending on who was first.
        time.sleep(0.1)
        while not self.gelen.empty():
            self.gelen.get()

    def gonder(self, m):
        self.giden.append(bytes(m))

    def al(self, sure=2.0):
        try:
            return self.gelen.get(timeout=sure)[1]
        except queue.Empty:
            raise Hata("the workstation received nothing within %.1f s" % sure)

    def kapat(self):
        self.istemci.deactivate()
        self.istemci.close()


class Uygulama:
    """The app's TCP link: length-prefixed frames both ways."""

    def __init__(self, kapi, sure=5.0):
        son = time.monotonic() + sure
        while True:
            try:
                self.s = socket.create_connection(("127.0.0.1", kapi), timeout=2)
                break
            except OSError:
                if time.monotonic() > son:
                    raise
                time.sleep(0.02)
        self.s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.tampon = b""

    def gonder(self, tip, govde):
        self.s.sendall(struct.pack(">HB", len(govde) + 1, tip) + bytes(govde))

    def cerceve(self):
        while True:
            if len(self.tampon) >= 2:
                n = struct.unpack(">H", self.tampon[:2])[0] + 2
                if len(self.tampon) >= n:
                    c, self.tampon = self.tampon[:n], self.tampon[n:]
                    return c[2], c[3:]
            veri = self.s.recv(65536)
            if not veri:
                raise Hata("the helper closed the app link")
            self.tampon += veri

    def kapat(self):
        self.s.close()


def hazirla(ortam, merhaba):
    """The helper started with its ports open, the workstation connected to them and an app whose hello is
    answered: (workstation, app, the hello answer's body)."""
    ortam.yardimci_baslat()
    ortam.bekle("portları AÇILDI")
    daw = IsIstasyonu(ortam)
    daw.bagla()
    app = Uygulama(ortam.kapi)
    app.gonder(2, merhaba)
    return daw, app, app.cerceve()[1]


def sinyal_gonder(surec, sinyal=signal.SIGTERM):
    surec.send_signal(sinyal)
    return surec.wait(5)
