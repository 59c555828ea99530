#pragma once
// What a workstation does with a VST3 bundle: load the module, walk the
// factory, create and drive instances.

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"

#include <string>
#include <vector>

// The host application object handed to initialize().
class KonakUygulamasi : public Steinberg::Vst::IHostApplication {
public:
    explicit KonakUygulamasi(std::string ad) : ad_(std::move(ad)) {}
    virtual ~KonakUygulamasi() = default;

    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID iid,
                                                 void** obj) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    // Lives on the host's stack for the whole run; counting is not needed.
    Steinberg::uint32 PLUGIN_API addRef() override { return 1000; }
    Steinberg::uint32 PLUGIN_API release() override { return 1000; }

private:
    std::string ad_;
};

// A loaded module, entered as the platform's hosts do; exited and released
// in the destructor.
class Modul {
public:
    // On failure `hata` says why and factory() is null.
    Modul(std::string const& paketYolu, std::string& hata);
    ~Modul();
    Modul(Modul const&) = delete;
    Modul& operator=(Modul const&) = delete;

    Steinberg::IPluginFactory* fabrika() const { return fabrika_; }
    std::string const& ikiliYolu() const { return ikili_; }

private:
    void* modul_ = nullptr;
    bool (*cikis_)() = nullptr;
    bool girildi_ = false;
    Steinberg::IPluginFactory* fabrika_ = nullptr;
    std::string ikili_;
};

// One instance through its host-facing interfaces.
struct Ornek {
    Steinberg::Vst::IComponent* bilesen = nullptr;
    Steinberg::Vst::IAudioProcessor* islemci = nullptr;
    Steinberg::Vst::IEditController* denetleyici = nullptr;
    bool ayriDenetleyici = false;

    // Creates the first audio effect class of the factory and initializes it.
    bool olustur(Steinberg::IPluginFactory* f, Steinberg::FUnknown* konak, std::string& sinifAdi,
                 std::string& hata);
    // Terminates and releases everything.
    void birak();
};

// Bytes in and out of IBStream files.
bool dosyaOku(std::string const& yol, std::vector<char>& veri);
bool dosyaYaz(std::string const& yol, std::vector<char> const& veri);
