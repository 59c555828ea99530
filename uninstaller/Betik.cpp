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

using Saat = std::chrono::steady_clock;

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

void satirEkle(std::string& metin, const std::string& satir) {
    if (!metin.empty() && metin.back() != '\n')
        metin += '\n';
    metin += satir;
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

// Starts the child leading its own process group, input from /dev/null, output
// and errors into `yazma`; 0 or the reason it could not start.
int baslat(const std::string& program, const std::vector<std::string>& argumanlar,
           const std::vector<std::string>& ortam, int yazma, pid_t& pid) {
    Baslatma b;
    posix_spawn_file_actions_addopen(&b.eylemler, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&b.eylemler, yazma, 1);
    posix_spawn_file_actions_adddup2(&b.eylemler, yazma, 2);
    posix_spawnattr_setflags(&b.nitelik, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&b.nitelik, 0);

    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : argumanlar)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : ortam)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    return posix_spawn(&pid, program.c_str(), &b.eylemler, &b.nitelik, argv.data(), envp.data());
}

std::chrono::milliseconds kalan(Saat::time_point son) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(son - Saat::now());
}

// Reads `okuma` until every writer has closed it, keeping at most CIKTI_SINIRI
// bytes; false when `son` came first.
bool sonunaKadarOku(int okuma, Saat::time_point son, SurecSonucu& sonuc) {
    char tampon[65536];
    for (;;) {
        const auto sure = kalan(son).count();
        if (sure <= 0)
            return false;
        pollfd p{okuma, POLLIN, 0};
        const int hazir = poll(&p, 1, static_cast<int>(std::min<long long>(sure, 1000)));
        if (hazir < 0 && errno != EINTR)
            return true;
        if (hazir <= 0)
            continue;
        const ssize_t n = read(okuma, tampon, sizeof tampon);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        const std::size_t yer = CIKTI_SINIRI - std::min(CIKTI_SINIRI, sonuc.bayt.size());
        sonuc.bayt.append(tampon, std::min(yer, static_cast<std::size_t>(n)));
        sonuc.kesildi = sonuc.kesildi || static_cast<std::size_t>(n) > yer;
    }
}

// The child's exit code, or nothing when it is still running at `son`.
std::optional<int> cikisiBekle(pid_t pid, Saat::time_point son) {
    for (;;) {
        int durum = 0;
        const pid_t r = waitpid(pid, &durum, WNOHANG);
        if (r == pid)
            return durumKodu(durum);
        if (r < 0 && errno != EINTR)
            return 1;
        if (kalan(son).count() <= 0)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Stops the child with everything it started, then reaps it.
void grubuDurdur(pid_t pid) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    int durum = 0;
    while (waitpid(pid, &durum, 0) < 0 && errno == EINTR) {
    }
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
    const Saat::time_point son = Saat::now() + sinir;
    int boru[2];
    if (pipe(boru) != 0)
        return {126, std::strerror(errno)};
    // Our ends must not leak into the child (macOS has no pipe2).
    fcntl(boru[0], F_SETFD, FD_CLOEXEC);
    fcntl(boru[1], F_SETFD, FD_CLOEXEC);

    pid_t pid = -1;
    const int hata = baslat(program, argumanlar, ortam, boru[1], pid);
    close(boru[1]);
    if (hata != 0) {
        close(boru[0]);
        return {126, std::strerror(hata)};
    }
    SurecSonucu sonuc;
    const bool sonuna = sonunaKadarOku(boru[0], son, sonuc);
    close(boru[0]);
    // A script may close its output and still not exit; the same limit holds.
    if (const std::optional<int> kod = sonuna ? cikisiBekle(pid, son) : std::nullopt) {
        sonuc.kod = *kod;
        return sonuc;
    }
    grubuDurdur(pid);
    sonuc.zamanAsimi = true;
    sonuc.kod = ZAMAN_ASIMI_KODU;
    return sonuc;
}

std::string zamanAsimiMetni(std::chrono::milliseconds sinir, bool turkce) {
    const auto saniye = std::chrono::duration_cast<std::chrono::seconds>(sinir).count();
    const std::string sure = saniye > 0 && saniye % 60 == 0
                                 ? std::to_string(saniye / 60) + (turkce ? " dakika" : " min")
                                 : std::to_string(saniye) + (turkce ? " saniye" : " s");
    return turkce ? "kaldir.sh " + sure + " içinde bitmedi ve durduruldu."
                  : "kaldir.sh did not finish within " + sure + " and was stopped.";
}

BetikSonucu betikCalistir(const std::optional<std::string>& betikYolu, bool turkce, bool test,
                          const Ekler& ekler, std::chrono::milliseconds sinir) {
    if (!betikYolu)
        return {127, "kaldir.sh yok"};
    std::vector<std::string> kendi;
    for (char** e = environ; e && *e; ++e)
        kendi.emplace_back(*e);
    const SurecSonucu s =
        surecCalistir("/bin/sh", {*betikYolu}, cocukOrtami(kendi, turkce, test, ekler), sinir);

    BetikSonucu sonuc{s.kod, utf8Onar(s.bayt)};
    if (s.kesildi)
        satirEkle(sonuc.cikti,
                  turkce ? "[çıktının geri kalanı gösterilmiyor]" : "[rest of the output not shown]");
    if (s.zamanAsimi)
        satirEkle(sonuc.cikti, zamanAsimiMetni(sinir, turkce));
    return sonuc;
}

} // namespace oka
