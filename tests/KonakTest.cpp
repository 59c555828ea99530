// The headless host against the built bundle, as a user runs it.

#include <array>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Cikti {
    int kod;
    std::string metin;
};

Cikti calistir(std::string const& argumanlar) {
    std::string const komut = std::string("\"") + OKA_KONAK + "\" " + argumanlar + " 2>&1";
    Cikti c{-1, ""};
    FILE* p = popen(komut.c_str(), "r");
    if (!p)
        return c;
    std::array<char, 4096> t{};
    std::size_t n;
    while ((n = fread(t.data(), 1, t.size(), p)) > 0)
        c.metin.append(t.data(), n);
    int const durum = pclose(p);
    c.kod = WIFEXITED(durum) ? WEXITSTATUS(durum) : -1;
    return c;
}

std::string paket() {
    return std::string("\"") + OKA_PAKET + "\"";
}

std::string gecici(char const* ad) {
    return "/tmp/oka-konak-test-" + std::to_string(getpid()) + "-" + ad;
}

std::string oku(std::string const& yol) {
    std::ifstream f(yol, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

} // namespace

TEST(Konak, TwoInstancesPassAToneThroughUnchanged) {
    Cikti const c = calistir("--ornek 2 --sure 0.5 --ton -6 --caliyor --yokla " + paket());
    ASSERT_EQ(c.kod, 0) << c.metin;
    EXPECT_NE(c.metin.find("factory  vendor \"Velmora\", 1 class(es), flags 16"), std::string::npos)
        << c.metin;
    EXPECT_NE(c.metin.find("instance 2 \"OKA Bridge\": buses stereo: ok"), std::string::npos) << c.metin;
    // Two channel instances: two of the channel ports answer the app's probe.
    EXPECT_NE(c.metin.find("probe    OKA-KOPRU-EKLENTI answers on 127.0.0.1 port(s): 5317"),
              std::string::npos)
        << c.metin;
    EXPECT_EQ(c.metin.find("port(s): 53171"), std::string::npos) << "no master among them";
    EXPECT_NE(c.metin.find("instance 1: 47 blocks (47 passed through, 0 muted, 0 WRONG); output peak -6.0 "
                           "dBFS, rms -9.0 dBFS"),
              std::string::npos)
        << c.metin;
}

TEST(Konak, ManualNameSurvivesASaveAndRestoreThroughFiles) {
    std::string const a = gecici("a"), b = gecici("b");
    Cikti c = calistir("--kanal 1 --sure 0.1 --elle-ad 'Gitar ş' --durum-yaz " + a + " " + paket());
    ASSERT_EQ(c.kod, 0) << c.metin;
    EXPECT_EQ(oku(a), std::string("OKA1\x08\0\0\0Gitar ş", 16));
    c = calistir("--sure 0.1 --baglamsiz --durum-oku " + a + " --durum-yaz " + b + " " + paket());
    ASSERT_EQ(c.kod, 0) << c.metin;
    EXPECT_EQ(oku(b), oku(a));
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST(Konak, RenamesInstancesWhileRunning) {
    Cikti const c =
        calistir("--ornek 2 --sure 0.3 --ad-degistir 0.2: --ad-degistir '0.1:Stereo Out' " + paket());
    ASSERT_EQ(c.kod, 0) << c.metin;
    std::size_t const ilk = c.metin.find("instance 2 manual name \"Stereo Out\": ok");
    std::size_t const ikinci = c.metin.find("instance 2 manual name \"\": ok");
    ASSERT_NE(ilk, std::string::npos) << c.metin;
    ASSERT_NE(ikinci, std::string::npos) << c.metin;
    EXPECT_LT(ilk, ikinci) << "changes run in time order";
    EXPECT_EQ(calistir("--ad-degistir Vokal " + paket()).kod, 2);
}

TEST(Konak, BadCommandLinesAndBundlesExitWith2) {
    for (char const* a : {"", "--ornek 0 x.vst3", "--blok 9000 x.vst3", "--kanal 3 x.vst3",
                          "--bilinmeyen x.vst3", "--ton 3 x.vst3", "/yok/boyle.vst3"}) {
        Cikti const c = calistir(a);
        EXPECT_EQ(c.kod, 2) << a << "\n" << c.metin;
        EXPECT_NE(c.metin.find("oka-konak: "), std::string::npos) << a;
    }
    Cikti const y = calistir("--help");
    EXPECT_EQ(y.kod, 0);
    EXPECT_NE(y.metin.find("--durum-yaz"), std::string::npos);
}

TEST(Konak, NamingAndTransportChangesWhileRunning) {
    Cikti const c = calistir("--sure 0.3 --kanal-baglami 'ad=Vokal|sira=2' --baglam-degistir '0.1:renk=5' "
                             "--presonus-ad Bas --presonus-degistir 0.2:ana=1 --tasima 0.1:cal " +
                             paket());
    ASSERT_EQ(c.kod, 0) << c.metin;
    for (char const* satir :
         {"instance 1 channel context ad=\"Vokal\" sira=2: ok", "instance 1 channel context renk=5: ok",
          "transport playing", "instance 1 PreSonus \"main\" = 1, notified through IContextInfoHandler2"})
        EXPECT_NE(c.metin.find(satir), std::string::npos) << satir << "\n" << c.metin;
    for (char const* a :
         {"--kanal-baglami 'ad=X|renk=kirmizi' x.vst3", "--kanal-baglami 'isim=X' x.vst3",
          "--baglam-degistir ad=X x.vst3", "--presonus-degistir 1:ana=bir x.vst3",
          "--presonus-degistir 1:renk=2 x.vst3", "--tasima 1:zipla x.vst3", "--tasima 1:tempo=-5 x.vst3"})
        EXPECT_EQ(calistir(a).kod, 2) << a;
}
