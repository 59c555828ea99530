#pragma once
// Modal alerts of the uninstaller, and their non-interactive stand-in.

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
};

// Non-interactive mode: each alert is one line "[title] text" on `cikis`, and
// the first button counts as pressed.
class MetinUyarici : public Uyarici {
public:
    explicit MetinUyarici(std::ostream& cikis) : mCikis(cikis) {}
    void hazirla() override {}
    int goster(const std::string& baslik, const std::string& metin, const std::vector<std::string>& dugmeler,
               UyariStili stil) override;

private:
    std::ostream& mCikis;
};

// The AppKit alerts: Apple's AppKit on macOS, GNUstep here.
std::unique_ptr<Uyarici> appKitUyarici();

} // namespace oka
