#include "Eklenti.h"
#include "ModulKatmani.h"

#include "pluginterfaces/base/funknown.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API KonakUygulamasi::getName(String128 name) {
    // ASCII and Latin-1 are enough for a name given on the command line.
    std::size_t i = 0;
    for (; i < ad_.size() && i < 127; ++i)
        name[i] = static_cast<char16>(static_cast<unsigned char>(ad_[i]));
    name[i] = 0;
    return kResultOk;
}

tresult PLUGIN_API KonakUygulamasi::createInstance(TUID, TUID, void** obj) {
    *obj = nullptr;
    return kResultFalse;
}

tresult PLUGIN_API KonakUygulamasi::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IHostApplication)
    QUERY_INTERFACE(iid, obj, IHostApplication::iid, IHostApplication)
    *obj = nullptr;
    return kNoInterface;
}

namespace {

bool dizinMi(std::string const& yol) {
    struct stat st {};
    return stat(yol.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

Modul::Modul(std::string const& paket, std::string& hata) {
    std::string yol = paket;
    while (yol.size() > 1 && yol.back() == '/')
        yol.pop_back();
    // A bundle holds its binary at Contents/<platform dir>/<name without .vst3>;
    // anything else is taken as the binary itself (only Linux loads those).
    ikili_ = yol;
    if (dizinMi(yol)) {
        std::string ad = yol.substr(yol.find_last_of('/') + 1);
        if (ad.size() > 5 && ad.compare(ad.size() - 5, 5, ".vst3") == 0)
            ad.resize(ad.size() - 5);
        ikili_ = yol + "/Contents/" + modulKatmani::IKILI_DIZINI + "/" + ad + modulKatmani::UZANTI;
    }
    modul_ = modulKatmani::yukle(yol, ikili_, hata);
    if (!modul_)
        return;
    void* giris = modulKatmani::sembol(modul_, modulKatmani::GIRIS);
    auto fabrikaAl = reinterpret_cast<IPluginFactory* (*)()>(modulKatmani::sembol(modul_, "GetPluginFactory"));
    cikis_ = reinterpret_cast<bool (*)()>(modulKatmani::sembol(modul_, modulKatmani::CIKIS));
    if (!giris || !fabrikaAl || !cikis_) {
        hata = std::string("the module lacks ") + modulKatmani::GIRIS + ", " + modulKatmani::CIKIS +
               " or GetPluginFactory";
        return;
    }
    if (!modulKatmani::gir(modul_, giris)) {
        hata = std::string(modulKatmani::GIRIS) + " returned false";
        return;
    }
    girildi_ = true;
    fabrika_ = fabrikaAl();
    if (!fabrika_)
        hata = "GetPluginFactory returned null";
}

Modul::~Modul() {
    if (fabrika_)
        fabrika_->release();
    if (girildi_)
        cikis_();
    if (modul_)
        modulKatmani::birak(modul_);
}

bool Ornek::olustur(IPluginFactory* f, FUnknown* konak, std::string& sinifAdi, std::string& hata) {
    int32 const n = f->countClasses();
    for (int32 i = 0; i < n; ++i) {
        PClassInfo bilgi{};
        if (f->getClassInfo(i, &bilgi) != kResultOk || std::strcmp(bilgi.category, kVstAudioEffectClass) != 0)
            continue;
        sinifAdi = bilgi.name;
        void* nesne = nullptr;
        if (f->createInstance(bilgi.cid, IComponent::iid, &nesne) != kResultOk || !nesne) {
            hata = "createInstance refused the audio effect class";
            return false;
        }
        bilesen = static_cast<IComponent*>(nesne);
        if (bilesen->initialize(konak) != kResultOk) {
            hata = "IComponent::initialize failed";
            return false;
        }
        if (bilesen->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&islemci)) != kResultOk) {
            hata = "the component has no IAudioProcessor";
            return false;
        }
        // Single-component effects answer for the controller themselves.
        if (bilesen->queryInterface(IEditController::iid, reinterpret_cast<void**>(&denetleyici)) !=
            kResultOk) {
            denetleyici = nullptr;
            TUID dcid;
            if (bilesen->getControllerClassId(dcid) == kResultOk &&
                f->createInstance(dcid, IEditController::iid, reinterpret_cast<void**>(&denetleyici)) ==
                    kResultOk &&
                denetleyici) {
                ayriDenetleyici = true;
                denetleyici->initialize(konak);
            }
        }
        return true;
    }
    hata = "the factory has no audio effect class";
    return false;
}

void Ornek::birak() {
    if (denetleyici) {
        if (ayriDenetleyici)
            denetleyici->terminate();
        denetleyici->release();
        denetleyici = nullptr;
    }
    if (islemci) {
        islemci->release();
        islemci = nullptr;
    }
    if (bilesen) {
        bilesen->terminate();
        bilesen->release();
        bilesen = nullptr;
    }
}

bool dosyaOku(std::string const& yol, std::vector<char>& veri) {
    std::ifstream f(yol, std::ios::binary);
    if (!f)
        return false;
    veri.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

bool dosyaYaz(std::string const& yol, std::vector<char> const& veri) {
    std::ofstream f(yol, std::ios::binary | std::ios::trunc);
    if (!f)
        return false;
    f.write(veri.data(), static_cast<std::streamsize>(veri.size()));
    return static_cast<bool>(f);
}
