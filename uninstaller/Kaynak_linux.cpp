#include "Kaynak.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace oka {

std::optional<std::string> betikKaynagi() {
    char tampon[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", tampon, sizeof tampon - 1);
    if (n <= 0)
        return std::nullopt;
    std::string yol(tampon, static_cast<std::size_t>(n));
    yol = yol.substr(0, yol.rfind('/') + 1) + "kaldir.sh";
    struct stat bilgi {};
    if (stat(yol.c_str(), &bilgi) != 0 || !S_ISREG(bilgi.st_mode))
        return std::nullopt;
    return yol;
}

} // namespace oka
