#include "Akis.h"

#include <future>

namespace oka {

namespace {

bool basliyor(std::string_view satir, std::string_view onek) {
    return satir.substr(0, onek.size()) == onek;
}

} // namespace

bool turkceMi(const std::vector<std::string>& diller) {
    return !diller.empty() && basliyor(diller.front(), "tr");
}

bool testKipiMi(const char* deger) {
    return deger && std::string_view(deger) == "1";
}

CiktiSayimi ciktiSay(std::string_view cikti) {
    CiktiSayimi s;
    std::size_t bas = 0;
    while (bas <= cikti.size()) {
        std::size_t son = cikti.find('\n', bas);
        if (son == std::string_view::npos)
            son = cikti.size();
        const std::string_view satir = cikti.substr(bas, son - bas);
        bas = son + 1;
        if (satir.empty())
            continue;
        s.satirlar.emplace_back(satir);
        if (basliyor(satir, "silindi: ") || basliyor(satir, "removed: "))
            ++s.silinen;
        else if (basliyor(satir, "zaten yok: ") || basliyor(satir, "already gone: "))
            ++s.zatenYok;
        else if (basliyor(satir, "tamam"))
            s.tamam = true;
    }
    return s;
}

BetikSonucu arkadaCalistir(Uyarici& uyarici, const std::function<BetikSonucu()>& is) {
    std::future<BetikSonucu> sonuc = std::async(std::launch::async, is);
    // Short enough that the app never looks stuck, long enough not to spin.
    while (sonuc.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        uyarici.olaylariIsle(std::chrono::milliseconds(50));
    return sonuc.get();
}

int kaldir(const Kaldirma& k) {
    const auto m = [&](const std::string& tr, const std::string& en) { return k.turkce ? tr : en; };
    const std::vector<std::string> tamamDugmesi{"OK"};

    k.uyarici.hazirla();
    const std::string baslik = BASLIK;

    const BetikSonucu denetim = arkadaCalistir(k.uyarici, [&] {
        return k.betik({{"OKA_KALDIR_KIP", "denetle"}}, DENETIM_SINIRI);
    });
    if (denetim.kod == 3) {
        k.uyarici.goster(
            baslik,
            m("Logic Pro, Cubase ya da Fender Studio Pro açık. Kapatıp yeniden aç — hiçbir şey "
              "silinmedi.",
              "Logic Pro, Cubase or Fender Studio Pro is open. Quit it and try again — nothing was "
              "removed."),
            tamamDugmesi, UyariStili::uyari);
        return 3;
    }
    if (denetim.kod != 0) {
        k.uyarici.goster(baslik, m("Denetim yapılamadı: ", "Check failed: ") + denetim.cikti, tamamDugmesi,
                         UyariStili::kritik);
        return denetim.kod;
    }

    const int secim = k.uyarici.goster(
        baslik,
        m("Şunlar silinecek: OKA Bridge eklentileri (AU, VST3), OKA MIDI yardımcısı ve Cubase MIDI Remote "
          "betiği. OKA uygulaması silinmez.",
          "This removes: the OKA Bridge plug-ins (AU, VST3), the OKA MIDI helper and the Cubase MIDI Remote "
          "script. The OKA app is not removed."),
        {m("Kaldır", "Uninstall"), m("Vazgeç", "Cancel")}, UyariStili::uyari);
    if (secim != 0)
        return 0;

    const BetikSonucu sonuc = arkadaCalistir(k.uyarici, [&] {
        return k.betik({{"OKA_KALDIR_ONAYLI", "1"}}, KALDIRMA_SINIRI);
    });
    const CiktiSayimi sayim = ciktiSay(sonuc.cikti);
    const std::string N = std::to_string(sayim.silinen), M = std::to_string(sayim.zatenYok);

    if (sonuc.kod == 0 && sayim.tamam) {
        k.uyarici.goster(baslik,
                         m("OKA Bridge kaldırıldı (" + N + " öge silindi, " + M +
                               " öge zaten yoktu). OKA uygulaması MIDI portunu artık kendisi açar.",
                           "OKA Bridge was removed (" + N + " items removed, " + M +
                               " were already gone). The OKA app now opens the MIDI port itself."),
                         tamamDugmesi, UyariStili::bilgi);
        if (k.test)
            k.cikis << sonuc.cikti << std::endl;
        return 0;
    }
    if (sonuc.kod == 4) {
        k.uyarici.goster(
            baslik,
            m("OKA Bridge kaldırıldı (" + N +
                  " öge silindi), ama Cubase betiği silinemedi: Belgeler klasörüne erişim verilmedi. Sistem "
                  "Ayarları → Gizlilik ve Güvenlik → Dosyalar ve Klasörler → OKA Bridge Uninstall → "
                  "Belgeler'i "
                  "aç, sonra bu uygulamayı yeniden çalıştır.",
              "OKA Bridge was removed (" + N +
                  " items removed), but the Cubase script couldn't be removed: access to the Documents "
                  "folder "
                  "wasn't allowed. Turn on System Settings → Privacy & Security → Files and Folders → OKA "
                  "Bridge "
                  "Uninstall → Documents, then run this app again."),
            tamamDugmesi, UyariStili::uyari);
        if (k.test)
            k.cikis << sonuc.cikti << std::endl;
        return 4;
    }
    k.uyarici.goster(baslik, m("Kaldırma tamamlanamadı:\n", "Uninstall didn't finish:\n") + sonuc.cikti,
                     tamamDugmesi, UyariStili::kritik);
    return sonuc.kod != 0 ? sonuc.kod : 1;
}

} // namespace oka
