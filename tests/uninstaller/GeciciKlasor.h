#pragma once
// A scratch folder per test, removed with everything in it, and file helpers.

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace oka::test {

class GeciciKlasor {
public:
    GeciciKlasor() {
        std::string sablon = (std::filesystem::temp_directory_path() / "oka-kaldir-XXXXXX").string();
        if (!mkdtemp(sablon.data()))
            throw std::runtime_error("mkdtemp");
        mYol = sablon;
    }
    ~GeciciKlasor() {
        std::error_code hata;
        std::filesystem::remove_all(mYol, hata);
    }
    const std::filesystem::path& yol() const { return mYol; }

private:
    std::filesystem::path mYol;
};

// Writes `icerik` to `yol`, creating the folders on the way.
inline void dosyaYaz(const std::filesystem::path& yol, const std::string& icerik,
                     std::filesystem::perms izin = std::filesystem::perms::owner_all) {
    std::filesystem::create_directories(yol.parent_path());
    std::ofstream(yol, std::ios::binary) << icerik;
    std::filesystem::permissions(yol, izin);
}

inline std::string dosyaOku(const std::filesystem::path& yol) {
    std::ifstream girdi(yol, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(girdi), std::istreambuf_iterator<char>());
}

} // namespace oka::test
