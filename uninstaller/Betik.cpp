#include "Betik.h"

#include "Utf8.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace oka {

namespace {

const char* const CALISMA_DEGISKENLERI[] = {"OKA_KALDIR_KIP", "OKA_KALDIR_ONAYLI"};
// Points the script's system-wide items at a fake root. Set in the user's
// session (launchctl setenv) it would make a real removal skip them and still
// succeed, so only a test run passes it on.
const char* const SAHTE_KOK = "OKA_KALDIR_KOK";

std::string adi(const std::string& girdi) {
    return girdi.substr(0, girdi.find('='));
}

int durumKodu(int durum) {
    if (WIFEXITED(durum))
        return WEXITSTATUS(durum);
    // A bare signal number could read as 3 (workstation open) or 4 (partial).
    if (WIFSIGNALED(durum))
        return 128 + WTERMSIG(durum);
    return 1;
}

// The file descriptors and attributes posix_spawn needs, released on every path.
struct Baslatma {
    posix_spawn_file_actions_t eylemler;
    posix_spawnattr_t nitelik;
    Baslatma() {
        posix_spawn_file_actions_init(&eylemler);
        posix_spawnattr_init(&nitelik);
    }
    ~Baslatma() {
        posix_spawn_file_actions_destroy(&eylemler);
        posix_spawnattr_destroy(&nitelik);
    }
};

void kapat(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

void satirEkle(std::string& metin, const std::string& satir) {
    if (!metin.empty() && metin.back() != '\n')
        metin += '\n';
    metin += satir;
}

int bekle(pid_t pid) {
    int durum = 0;
    while (waitpid(pid, &durum, 0) < 0) {
        if (errno != EINTR)
            return 1;
    }
    return durumKodu(durum);
}

} // namespace

std::vector<std::string> cocukOrtami(const std::vector<std::string>& kendi, bool turkce, bool test,
                                     const Ekler& ekler) {
    std::vector<std::string> ortam;
    bool dilVar = false;
    for (const std::string& girdi : kendi) {
        const std::string ad = adi(girdi);
        if (ekler.count(ad))
            continue;
        bool calisma = false;
        for (const char* c : CALISMA_DEGISKENLERI)
            calisma = calisma || ad == c;
        if (calisma || (!test && ad == SAHTE_KOK))
            continue;
        dilVar = dilVar || ad == "OKA_KALDIR_DIL";
        ortam.push_back(girdi);
    }
    if (!dilVar && !ekler.count("OKA_KALDIR_DIL"))
        ortam.push_back(std::string("OKA_KALDIR_DIL=") + (turkce ? "tr" : "en"));
    for (const auto& [ad, deger] : ekler)
        ortam.push_back(ad + "=" + deger);
    return ortam;
}

SurecSonucu surecCalistir(const std::string& program, const std::vector<std::string>& argumanlar,
                          const std::vector<std::string>& ortam, std::chrono::milliseconds sinir) {
    using Saat = std::chrono::steady_clock;
    const Saat::time_point son = Saat::now() + sinir;
    SurecSonucu sonuc;

    int boru[2];
    if (pipe(boru) != 0) {
        sonuc.kod = 126;
        sonuc.bayt = std::strerror(errno);
        return sonuc;
    }
    // Our ends must not leak into the child (macOS has no pipe2).
    fcntl(boru[0], F_SETFD, FD_CLOEXEC);
    fcntl(boru[1], F_SETFD, FD_CLOEXEC);
    int okuma = boru[0], yazma = boru[1];

    Baslatma b;
    posix_spawn_file_actions_addopen(&b.eylemler, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&b.eylemler, yazma, 1);
    posix_spawn_file_actions_adddup2(&b.eylemler, yazma, 2);
    posix_spawnattr_setflags(&b.nitelik, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&b.nitelik, 0);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : argumanlar)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : ortam)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    pid_t pid = -1;
    const int hata = posix_spawn(&pid, program.c_str(), &b.eylemler, &b.nitelik, argv.data(), envp.data());
    kapat(yazma);
    if (hata != 0) {
        kapat(okuma);
        sonuc.kod = 126;
        sonuc.bayt = std::strerror(hata);
        return sonuc;
    }

    char tampon[65536];
    for (;;) {
        const auto kalan = std::chrono::duration_cast<std::chrono::milliseconds>(son - Saat::now()).count();
        if (kalan <= 0) {
            sonuc.zamanAsimi = true;
            break;
        }
        pollfd p{okuma, POLLIN, 0};
        const int hazir = poll(&p, 1, static_cast<int>(std::min<long long>(kalan, 1000)));
        if (hazir < 0 && errno != EINTR)
            break;
        if (hazir <= 0)
            continue;
        const ssize_t n = read(okuma, tampon, sizeof tampon);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // end of file: every writer has closed its end
        const std::size_t yer = CIKTI_SINIRI - std::min(CIKTI_SINIRI, sonuc.bayt.size());
        sonuc.bayt.append(tampon, std::min(yer, static_cast<std::size_t>(n)));
        sonuc.kesildi = sonuc.kesildi || static_cast<std::size_t>(n) > yer;
    }
    kapat(okuma);

    // A script may close its output and still not exit; the same limit holds.
    while (!sonuc.zamanAsimi) {
        int durum = 0;
        const pid_t r = waitpid(pid, &durum, WNOHANG);
        if (r == pid) {
            sonuc.kod = durumKodu(durum);
            return sonuc;
        }
        if (r < 0 && errno != EINTR) {
            sonuc.kod = 1;
            return sonuc;
        }
        if (Saat::now() >= son)
            sonuc.zamanAsimi = true;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    bekle(pid);
    sonuc.kod = ZAMAN_ASIMI_KODU;
    return sonuc;
}

BetikSonucu betikCalistir(const std::optional<std::string>& betikYolu, bool turkce, bool test,
                          const Ekler& ekler, std::chrono::milliseconds sinir) {
    if (!betikYolu)
        return {127, "kaldir.sh yok"};
    std::vector<std::string> kendi;
    for (char** e = environ; e && *e; ++e)
        kendi.emplace_back(*e);
    const SurecSonucu s = surecCalistir("/bin/sh", {*betikYolu}, cocukOrtami(kendi, turkce, test, ekler), sinir);

    BetikSonucu sonuc{s.kod, utf8Onar(s.bayt)};
    if (s.kesildi)
        satirEkle(sonuc.cikti,
                  turkce ? "[çıktının geri kalanı gösterilmiyor]" : "[rest of the output not shown]");
    if (s.zamanAsimi) {
        const auto saniye = std::chrono::duration_cast<std::chrono::seconds>(sinir).count();
        const std::string sure = saniye > 0 && saniye % 60 == 0
                                     ? std::to_string(saniye / 60) + (turkce ? " dakika" : " min")
                                     : std::to_string(saniye) + (turkce ? " saniye" : " s");
        satirEkle(sonuc.cikti, turkce ? "kaldir.sh " + sure + " içinde bitmedi ve durduruldu."
                                      : "kaldir.sh did not finish within " + sure + " and was stopped.");
    }
    return sonuc;
}

} // namespace oka
