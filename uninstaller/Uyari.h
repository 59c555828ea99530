#pragma once
// Modal alerts of the uninstaller, and their non-interactive stand-in.

#include <chrono>
#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace oka {

enum class UyariStili { uyari, bilgi, kritik };

class Uyarici {
public:
    virtual ~Uyarici() = default;
    // [ana] Makes the process a regular (Dock) application before any alert.
    virtual void hazirla() = 0;
    // [ana] Shows one modal alert and returns the index of the pressed button
    // (0 for the first); any other way of closing it returns -1.
    virtual int goster(const std::string& baslik, const std::string& metin,
                       const std::vector<std::string>& dugmeler, UyariStili stil) = 0;
    // [ana] Handles the window system's pending events, waiting at most
    // `sure` for the first, so the app answers while work runs elsewhere.
    virtual void olaylariIsle(std::chrono::milliseconds sure) = 0;
};

// [herhangi] The index of the pressed button from an alert's answer, where
// `ilkDugme` answers the first of `dugmeSayisi` buttons; -1 for anything else.
int dugmeSirasi(long yanit, long ilkDugme, std::size_t dugmeSayisi);

// [herhangi] The key that presses button `sira`: Return for the first, Escape
// for the second whatever its title (AppKit gives Escape by itself only to a
// button titled "Cancel"), none for any later one.
std::string dugmeTusu(std::size_t sira);

// Non-interactive mode: each alert is one line "[title] text" on `cikis`, and
// the first button counts as pressed.
class MetinUyarici : public Uyarici {
public:
    explicit MetinUyarici(std::ostream& cikis) : mCikis(cikis) {}
    void hazirla() override {}
    int goster(const std::string& baslik, const std::string& metin, const std::vector<std::string>& dugmeler,
               UyariStili stil) override;
    // Nothing to handle; only waits, so the caller's loop does not spin.
    void olaylariIsle(std::chrono::milliseconds sure) override;

private:
    std::ostream& mCikis;
};

// The AppKit alerts: Apple's AppKit on macOS, GNUstep here.
std::unique_ptr<Uyarici> appKitUyarici();

} // namespace oka
