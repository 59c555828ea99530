#pragma once
// A scratch folder per test, removed with everything in it, and file helpers.

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace oka::test {

struct GeciciKlasor {
    std::filesystem::path yol = [] {
        std::string sablon = (std::filesystem::temp_directory_path() / "oka-kaldir-XXXXXX").string();
        return std::filesystem::path(mkdtemp(sablon.data()) ? sablon : throw std::runtime_error("mkdtemp"));
    }();
    ~GeciciKlasor() {
        std::error_code hata;
        std::filesystem::remove_all(yol, hata);
    }
};

// Writes `icerik` to `yol`, creating the folders on the way.
inline void dosyaYaz(const std::filesystem::path& yol, const std::string& icerik) {
    std::filesystem::create_directories(yol.parent_path());
    std::ofstream(yol, std::ios::binary) << icerik;
    std::filesystem::permissions(yol, std::filesystem::perms::owner_all);
}

inline std::string dosyaOku(const std::filesystem::path& yol) {
    std::ifstream girdi(yol, std::ios::binary);
    return {std::istreambuf_iterator<char>(girdi), std::istreambuf_iterator<char>()};
}

} // namespace oka::test
