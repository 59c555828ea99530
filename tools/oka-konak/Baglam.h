#pragma once
// The host's side of the two naming extensions: a channel-context attribute
// list pushed to the plug-in, and a component handler that is also a PreSonus
// context provider.

#include "Secenekler.h"

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/vst/ivstattributes.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pslextensions/ipslcontextinfo.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// UTF-8 from the command line to the host's 16-bit strings.
std::u16string utf16(std::string const& s);

// The host's attribute list: whatever was set, nothing else.
class OznitelikListesi : public Steinberg::Vst::IAttributeList {
public:
    explicit OznitelikListesi(KanalBaglami const& b);
    virtual ~OznitelikListesi() = default;

    Steinberg::tresult PLUGIN_API setInt(AttrID id, Steinberg::int64 value) override;
    Steinberg::tresult PLUGIN_API getInt(AttrID id, Steinberg::int64& value) override;
    Steinberg::tresult PLUGIN_API setFloat(AttrID id, double value) override;
    Steinberg::tresult PLUGIN_API getFloat(AttrID id, double& value) override;
    Steinberg::tresult PLUGIN_API setString(AttrID id, const Steinberg::Vst::TChar* string) override;
    Steinberg::tresult PLUGIN_API getString(AttrID id, Steinberg::Vst::TChar* string,
                                            Steinberg::uint32 sizeInBytes) override;
    Steinberg::tresult PLUGIN_API setBinary(AttrID id, const void* data,
                                            Steinberg::uint32 sizeInBytes) override;
    Steinberg::tresult PLUGIN_API getBinary(AttrID id, const void*& data,
                                            Steinberg::uint32& sizeInBytes) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    // Lives on the host's stack while it is pushed; counting is not needed.
    Steinberg::uint32 PLUGIN_API addRef() override { return 1000; }
    Steinberg::uint32 PLUGIN_API release() override { return 1000; }

private:
    std::map<std::string, Steinberg::int64> tamlar_;
    std::map<std::string, double> kesirliler_;
    std::map<std::string, std::u16string> metinler_;
    std::map<std::string, std::vector<char>> ikililer_;
};

// The component handler handed to the plug-in. With `presonus` set it also
// answers as a PreSonus context provider: "name" and "main" each succeed only
// while they hold a value.
class BilesenIsleyici : public Steinberg::Vst::IComponentHandler, public Presonus::IContextInfoProvider {
public:
    explicit BilesenIsleyici(bool presonus) : presonus_(presonus) {}
    virtual ~BilesenIsleyici() = default;

    std::optional<std::string> ad;
    std::optional<Steinberg::int32> ana;

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue) override {
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32) override { return Steinberg::kResultOk; }

    Steinberg::tresult PLUGIN_API getContextInfoValue(Steinberg::int32& value,
                                                      Steinberg::FIDString id) override;
    Steinberg::tresult PLUGIN_API getContextInfoString(Steinberg::Vst::TChar* string,
                                                       Steinberg::int32 maxCharCount,
                                                       Steinberg::FIDString id) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    // Outlives every instance it is handed to; counting is not needed.
    Steinberg::uint32 PLUGIN_API addRef() override { return 1000; }
    Steinberg::uint32 PLUGIN_API release() override { return 1000; }

private:
    bool presonus_;
};

// Tells the plug-in behind `nesne` that the PreSonus context changed: through
// IContextInfoHandler2 with `id` when it has that face, else IContextInfoHandler.
// Returns which face was used, or empty when it has neither.
std::string baglamDegistiBildir(Steinberg::FUnknown* nesne, char const* id);

// Pushes `b` to the plug-in's channel-context listener. kNoInterface when it has none.
Steinberg::tresult kanalBaglamiGonder(Steinberg::FUnknown* nesne, KanalBaglami const& b);

// "ad=\"Stereo Out\" renk=255": what a list carries, for the host's report.
std::string baglamOzeti(KanalBaglami const& b);
