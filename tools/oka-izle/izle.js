// Shows every bridge instance serving on this machine, live. It looks on the
// instances' ports every two seconds: the plain HTTP probe first (readable
// from any origin), then a WebSocket to the ports that answered it. The only
// thing it ever sends is the app's mute command.
"use strict";

// The panel's rule: the first preferred language is Turkish when it is "tr",
// alone or followed by "-" or "_".
const turkce = /^tr([-_]|$)/i.test((navigator.languages && navigator.languages[0]) || navigator.language || "");
const M = (tr, en) => (turkce ? tr : en);

const KAPILAR = [53171, 53172, 53173, 53174, 53175];
const TANITIM = "OKA-KOPRU-EKLENTI";
const TARAMA_MS = 2000;
const PROBE_MS = 1500; // a probe waits behind another app's session; give up well before the next scan
const TIK_MS = 100; // the panel's meter tick
const DUSUS_DB = 3; // the panel's fall per tick
const SESSIZ_DB = -120;

const ADLAR = {
  "elle": M("panelde elle girildi", "typed in the panel"),
  "kanal-baglami": M("VST3 kanal bağlamı", "VST3 channel context"),
  "presonus": M("PreSonus bağlamı", "PreSonus context"),
  "konak": M("konak", "host"),
  "(yok)": M("ad yok", "no name"),
};

const ornekler = new Map(); // port -> Ornek
const yoklanan = new Set(); // ports with a probe under way

function db(tepe) {
  return tepe > 0 ? Math.max(SESSIZ_DB, 20 * Math.log10(tepe)) : SESSIZ_DB;
}

function saniye(ms) {
  return (ms / 1000).toFixed(1);
}

class Ornek {
  constructor(kapi) {
    this.kapi = kapi;
    this.merhaba = null;
    this.tasima = null;
    this.sonNabiz = 0;
    this.kare = 0; // frames per channel in the last audio frame
    this.sonNo = null; // number of the last audio frame
    this.eksik = 0; // frames the counter skipped
    this.sonEksik = 0;
    this.tepe = 0; // largest sample magnitude since the last tick
    this.sonSes = 0;
    this.gosterilen = SESSIZ_DB; // the bar's level
    this.tepeDb = SESSIZ_DB; // the level text's value
    this.ses = null; // Web Audio while listening
    this.kart = this.kartKur();
    this.ws = new WebSocket("ws://127.0.0.1:" + kapi + "/");
    this.ws.binaryType = "arraybuffer";
    this.ws.onmessage = (e) => (typeof e.data === "string" ? this.metin(e.data) : this.sesAl(e.data));
    this.ws.onclose = () => this.git();
    this.tik = setInterval(() => this.ciz(), TIK_MS);
  }

  kartKur() {
    const kart = document.getElementById("kart").content.firstElementChild.cloneNode(true);
    kart.dataset.kapi = this.kapi;
    kart.querySelector(".kapi").textContent = ":" + this.kapi;
    for (const [sinif, metin] of [
      ["e-kaynak", M("ad kaynağı", "name from")],
      ["e-konak", M("konak", "host")],
      ["e-bicim", M("biçim", "format")],
      ["e-tasima", M("taşıma", "transport")],
      ["e-nabiz", M("nabız", "pulse")],
      ["e-seviye", M("GİRİŞ SEVİYESİ", "INPUT LEVEL")],
      ["e-sustur", M("sustur", "mute")],
      ["e-dinle", M("dinle", "listen")],
    ]) {
      kart.querySelector("." + sinif).textContent = metin;
    }
    // The mute lasts as long as this connection; the bridge lifts it when the connection ends.
    kart.querySelector(".sustur").onchange = (e) => this.ws.send(JSON.stringify({ sustur: e.target.checked }));
    kart.querySelector(".dinle").onchange = (e) => this.dinle(e.target.checked);
    const yer = document.getElementById("ornekler");
    const sonraki = [...yer.children].find((k) => Number(k.dataset.kapi) > this.kapi);
    yer.insertBefore(kart, sonraki || null);
    return kart;
  }

  metin(veri) {
    let m;
    try {
      m = JSON.parse(veri);
    } catch (e) {
      return; // the bridge sends JSON only
    }
    if (m.tip === "merhaba") {
      this.merhaba = m;
    } else if (m.tip === "nabiz") {
      this.sonNabiz = performance.now();
      this.tasima = m;
    } else if (m.tip === "tasima") {
      this.tasima = m;
    }
  }

  sesAl(tampon) {
    if (tampon.byteLength < 16) return;
    const v = new DataView(tampon);
    const no = v.getUint32(0, true);
    const kanal = v.getUint16(12, true);
    const kare = v.getUint16(14, true);
    if (tampon.byteLength !== 16 + 4 * kanal * kare) return;
    // The counter runs on across connections and wraps at 2^32; a jump is frames lost on the way.
    if (this.sonNo !== null && no !== ((this.sonNo + 1) >>> 0)) {
      this.eksik += ((no - this.sonNo - 1) >>> 0);
      this.sonEksik = performance.now();
    }
    this.sonNo = no;
    this.kare = kare;
    this.sonSes = performance.now();
    // Samples are little-endian float32, planar; every browser runs little-endian.
    const veri = new Float32Array(tampon, 16, kanal * kare);
    let tepe = this.tepe;
    for (let i = 0; i < veri.length; i++) {
      const x = Math.abs(veri[i]);
      if (x > tepe) tepe = x;
    }
    this.tepe = tepe;
    if (this.ses) this.cal(veri, kanal, kare);
  }

  dinle(ac) {
    if (this.ses) {
      this.ses.baglam.close();
      this.ses = null;
    }
    if (ac) {
      this.ses = { baglam: new AudioContext(), sonraki: 0 };
      this.ses.baglam.resume(); // allowed: this runs in the switch's click
    }
  }

  cal(veri, kanal, kare) {
    const hiz = this.merhaba && this.merhaba.ornekleme;
    if (!hiz) return;
    const b = this.ses.baglam;
    const parca = b.createBuffer(kanal, kare, hiz);
    for (let k = 0; k < kanal; k++) parca.copyToChannel(veri.subarray(k * kare, (k + 1) * kare), k);
    const kaynak = b.createBufferSource();
    kaynak.buffer = parca;
    kaynak.connect(b.destination);
    // Blocks play back to back; after a stall (or too far ahead) start again a little after now.
    const simdi = b.currentTime;
    if (this.ses.sonraki < simdi + 0.02 || this.ses.sonraki > simdi + 0.5) this.ses.sonraki = simdi + 0.05;
    kaynak.start(this.ses.sonraki);
    this.ses.sonraki += kare / hiz;
  }

  ciz() {
    const simdi = performance.now();
    const k = this.kart;
    const h = this.merhaba;
    k.hidden = !h; // until the hello, e.g. while the app holds the instance and we wait behind it
    if (h) {
      k.querySelector(".rol").textContent = h.rol === "master" ? "master" : M("kanal", "channel");
      const ad = k.querySelector(".ad");
      ad.textContent = h.kanalAdi === null ? M("(adsız)", "(unnamed)") : h.kanalAdi;
      ad.classList.toggle("adsiz", h.kanalAdi === null);
      k.querySelector(".kaynak").textContent = ADLAR[h.adKaynagi] || h.adKaynagi;
      k.querySelector(".konak").textContent = h.konak + (h.surec && h.surec !== h.konak ? " (" + h.surec + ")" : "");
      const bicim = h.ornekleme
        ? h.ornekleme + " Hz · " + h.kanal + " " + (h.kanal === 1 ? M("kanal", "channel") : M("kanal", "channels"))
        : M("biçim henüz yok", "no format yet");
      k.querySelector(".bicim").textContent = bicim + (this.kare ? " · " + M("blok ", "block ") + this.kare : "");
    }
    const t = this.tasima;
    const tasima = k.querySelector(".tasima");
    tasima.textContent = !t
      ? "—"
      : t.bilinmiyor
        ? M("konak bildirmiyor", "not reported by the host")
        : (t.caliyor ? M("çalıyor", "playing") : M("durdu", "stopped")) + (t.dongu ? " · " + M("döngü", "cycle") : "");
    tasima.classList.toggle("caliyor", !!(t && t.caliyor && !t.bilinmiyor));
    const nabiz = k.querySelector(".nabiz");
    nabiz.textContent = this.sonNabiz
      ? M(saniye(simdi - this.sonNabiz) + " s önce", saniye(simdi - this.sonNabiz) + " s ago")
      : M("bekleniyor", "waiting");
    nabiz.classList.toggle("gec", this.sonNabiz > 0 && simdi - this.sonNabiz > 2000);

    // A tick without a frame keeps the text; the host may deliver blocks in bursts.
    if (this.tepe > 0 || simdi - this.sonSes > 500) this.tepeDb = db(this.tepe);
    this.tepe = 0;
    this.gosterilen = Math.max(this.tepeDb, this.gosterilen - DUSUS_DB, SESSIZ_DB);
    k.querySelector(".seviye").textContent =
      this.tepeDb <= -119 ? M("sessiz", "silent") : this.tepeDb.toFixed(1) + " dBFS";
    // The panel's scale: linear in dB from -60 (empty) to 0 dBFS (full), red just below 0.
    const f = Math.min(1, Math.max(0, (this.gosterilen + 60) / 60));
    const cubuk = k.querySelector(".cubuk");
    cubuk.style.width = f > 0.001 ? f * 100 + "%" : "0";
    cubuk.classList.toggle("tepe", this.gosterilen > -0.2);

    const eksik = k.querySelector(".eksik");
    eksik.hidden = this.eksik === 0;
    eksik.textContent = !this.eksik
      ? ""
      : M(
          this.eksik + " kare eksik (sonuncusu " + saniye(simdi - this.sonEksik) + " s önce)",
          this.eksik + " frames missing (last " + saniye(simdi - this.sonEksik) + " s ago)",
        );
  }

  git() {
    clearInterval(this.tik);
    this.dinle(false);
    this.kart.remove();
    ornekler.delete(this.kapi);
    bosGoster();
  }
}

function bosGoster() {
  document.getElementById("bos").textContent =
    ornekler.size === 0 ? M("Çalışan örnek yok.", "No instance running.") : "";
}

async function yokla(kapi) {
  yoklanan.add(kapi);
  try {
    const yanit = await fetch("http://127.0.0.1:" + kapi + "/", {
      cache: "no-store",
      signal: AbortSignal.timeout(PROBE_MS),
    });
    if ((await yanit.text()) === TANITIM && !ornekler.has(kapi)) {
      ornekler.set(kapi, new Ornek(kapi));
      bosGoster();
    }
  } catch (e) {
    // nothing listens there, or something that is not the bridge
  } finally {
    yoklanan.delete(kapi);
  }
}

function tara() {
  for (const kapi of KAPILAR) if (!ornekler.has(kapi) && !yoklanan.has(kapi)) yokla(kapi);
}

document.documentElement.lang = M("tr", "en");
document.getElementById("alt-baslik").textContent = M(
  "127.0.0.1 üzerindeki örnekler, kapı 53171–53175",
  "Instances on 127.0.0.1, ports 53171–53175",
);
document.getElementById("not").textContent = M(
  "Bu sayfa açıkken OKA uygulaması buradaki örneklere bağlanamaz: her örnek tek istemciye hizmet verir.",
  "While this page is open, the OKA app cannot connect to the instances shown: each serves one client at a time.",
);
bosGoster();
tara();
setInterval(tara, TARAMA_MS);
