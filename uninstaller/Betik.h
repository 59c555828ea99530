#pragma once
// Running the removal script as a child process.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace oka {

// Extra environment entries of one run.
using Ekler = std::map<std::string, std::string>;

struct BetikSonucu {
    std::int32_t kod = 0;
    std::string cikti; // stdout and stderr together, as UTF-8
};

struct SurecSonucu {
    int kod = 0;             // exit status; 128 + n after signal n; 126 when it could not start
    std::string bayt;        // what the pipe gave, at most CIKTI_SINIRI bytes
    bool zamanAsimi = false; // the time limit ran out and the child was killed
    bool kesildi = false;    // more than CIKTI_SINIRI bytes came; the rest was read and dropped
};

// A real run prints a dozen lines; this only keeps a runaway script from
// filling memory.
constexpr std::size_t CIKTI_SINIRI = 1 << 20;
// Exit code of a run that hit its time limit (as timeout(1) reports it).
constexpr int ZAMAN_ASIMI_KODU = 124;

// [ana] The child's environment: `kendi` (entries "NAME=value"), plus
// OKA_KALDIR_DIL ("tr"/"en") unless already there, plus `ekler` replacing any
// inherited entry of the same name. The run variables OKA_KALDIR_KIP and
// OKA_KALDIR_ONAYLI come only from `ekler`: an inherited one is dropped, so a
// check run never carries a confirmation it was not given. OKA_KALDIR_KOK (the
// fake system root of the tests) passes only in non-interactive mode.
std::vector<std::string> cocukOrtami(const std::vector<std::string>& kendi, bool turkce, bool test,
                                     const Ekler& ekler);

// [ana] Starts `program` with `argumanlar` in `ortam`, standard input from
// /dev/null, standard output and error into one pipe read to end of file,
// then waits for it. The child leads its own process group; when `sinir`
// runs out the whole group is killed.
SurecSonucu surecCalistir(const std::string& program, const std::vector<std::string>& argumanlar,
                          const std::vector<std::string>& ortam, std::chrono::milliseconds sinir);

// [herhangi] The line that tells a run was stopped at its limit `sinir`.
std::string zamanAsimiMetni(std::chrono::milliseconds sinir, bool turkce);

// [ana] One run of the removal script at `betikYolu` through /bin/sh, in this
// process's environment prepared by cocukOrtami. A missing script gives 127
// and "kaldir.sh yok"; a child that cannot start gives 126 and the system's
// reason; a run over `sinir` gives ZAMAN_ASIMI_KODU and says so in the output.
BetikSonucu betikCalistir(const std::optional<std::string>& betikYolu, bool turkce, bool test,
                          const Ekler& ekler, std::chrono::milliseconds sinir);

} // namespace oka
