#include "Baglam.h"

#include "pluginterfaces/vst/ivstchannelcontextinfo.h"

#include <algorithm>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

std::u16string utf16(std::string const& s) {
    std::u16string o;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char const b = static_cast<unsigned char>(s[i]);
        int n = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        char32_t c = n == 0 ? b : n == 1 ? (b & 0x1F) : n == 2 ? (b & 0x0F) : (b & 0x07);
        bool iyi = n >= 0 && i + static_cast<std::size_t>(n) < s.size();
        for (int k = 1; iyi && k <= n; ++k)
            iyi = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (!iyi) {
            // A broken byte stands for itself (Latin-1), as a lenient host would show it.
            o += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        for (int k = 1; k <= n; ++k)
            c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += static_cast<std::size_t>(n) + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            o += static_cast<char16_t>(0xD800 + (c >> 10));
            o += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            o += static_cast<char16_t>(c);
        }
    }
    return o;
}

OznitelikListesi::OznitelikListesi(KanalBaglami const& b) {
    if (b.ad)
        metinler_[ChannelContext::kChannelNameKey] = utf16(*b.ad);
    if (b.alan)
        metinler_[ChannelContext::kChannelIndexNamespaceKey] = utf16(*b.alan);
    if (b.uid)
        metinler_[ChannelContext::kChannelUIDKey] = utf16(*b.uid);
    if (b.sira)
        tamlar_[ChannelContext::kChannelIndexKey] = *b.sira;
    if (b.alanSirasi)
        tamlar_[ChannelContext::kChannelIndexNamespaceOrderKey] = *b.alanSirasi;
    if (b.konum)
        tamlar_[ChannelContext::kChannelPluginLocationKey] = *b.konum;
    if (b.renk)
        tamlar_[ChannelContext::kChannelColorKey] = *b.renk;
}

tresult PLUGIN_API OznitelikListesi::setInt(AttrID id, int64 value) {
    if (!id)
        return kInvalidArgument;
    tamlar_[id] = value;
    return kResultOk;
}

tresult PLUGIN_API OznitelikListesi::getInt(AttrID id, int64& value) {
    auto const i = id ? tamlar_.find(id) : tamlar_.end();
    if (i == tamlar_.end())
        return kResultFalse;
    value = i->second;
    return kResultOk;
}

tresult PLUGIN_API OznitelikListesi::setFloat(AttrID id, double value) {
    if (!id)
        return kInvalidArgument;
    kesirliler_[id] = value;
    return kResultOk;
}

tresult PLUGIN_API OznitelikListesi::getFloat(AttrID id, double& value) {
    auto const i = id ? kesirliler_.find(id) : kesirliler_.end();
    if (i == kesirliler_.end())
        return kResultFalse;
    value = i->second;
    return kResultOk;
}

tresult PLUGIN_API OznitelikListesi::setString(AttrID id, const TChar* string) {
    if (!id || !string)
        return kInvalidArgument;
    metinler_[id] = std::u16string(reinterpret_cast<char16_t const*>(string));
    return kResultOk;
}

tresult PLUGIN_API OznitelikListesi::getString(AttrID id, TChar* string, uint32 sizeInBytes) {
    auto const i = id ? metinler_.find(id) : metinler_.end();
    if (i == metinler_.end() || !string)
        return kResultFalse;
    // As much as fits, terminated when there is room: a full buffer carries no 0.
    std::size_t const yer = sizeInBytes / sizeof(TChar);
    std::size_t const n = std::min(yer, i->second.size());
    std::memcpy(string, i->second.data(), n * sizeof(TChar));
    if (n < yer)
        string[n] = 0;
    return kResultOk;
}

tresult PLUGIN_API OznitelikListesi::setBinary(AttrID id, const void* data, uint32 sizeInBytes) {
    if (!id || (!data && sizeInBytes))
        return kInvalidArgument;
    auto const* b = static_cast<char const*>(data);
    ikililer_[id].assign(b, b + sizeInBytes);
    return kResultOk;
}

tresult PLUGIN_API OznitelikListesi::getBinary(AttrID id, const void*& data, uint32& sizeInBytes) {
    auto const i = id ? ikililer_.find(id) : ikililer_.end();
    if (i == ikililer_.end())
        return kResultFalse;
    data = i->second.data();
    sizeInBytes = static_cast<uint32>(i->second.size());
    return kResultOk;
}

tresult PLUGIN_API OznitelikListesi::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IAttributeList)
    QUERY_INTERFACE(iid, obj, IAttributeList::iid, IAttributeList)
    *obj = nullptr;
    return kNoInterface;
}

tresult PLUGIN_API BilesenIsleyici::getContextInfoValue(int32& value, FIDString id) {
    if (id && std::strcmp(id, Presonus::ContextInfo::kMain) == 0 && ana) {
        value = *ana;
        return kResultOk;
    }
    return kResultFalse;
}

tresult PLUGIN_API BilesenIsleyici::getContextInfoString(TChar* string, int32 maxCharCount, FIDString id) {
    if (!string || maxCharCount < 1 || !id || std::strcmp(id, Presonus::ContextInfo::kName) != 0 || !ad)
        return kResultFalse;
    std::u16string const u = utf16(*ad);
    std::size_t const n = std::min(static_cast<std::size_t>(maxCharCount - 1), u.size());
    std::memcpy(string, u.data(), n * sizeof(TChar));
    string[n] = 0;
    return kResultOk;
}

tresult PLUGIN_API BilesenIsleyici::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IComponentHandler)
    QUERY_INTERFACE(iid, obj, IComponentHandler::iid, IComponentHandler)
    if (presonus_) {
        QUERY_INTERFACE(iid, obj, Presonus::IContextInfoProvider::iid, Presonus::IContextInfoProvider)
    }
    *obj = nullptr;
    return kNoInterface;
}

std::string baglamDegistiBildir(FUnknown* nesne, char const* id) {
    Presonus::IContextInfoHandler2* h2 = nullptr;
    if (nesne->queryInterface(Presonus::IContextInfoHandler2::iid, reinterpret_cast<void**>(&h2)) ==
            kResultOk &&
        h2) {
        h2->notifyContextInfoChange(id);
        h2->release();
        return "IContextInfoHandler2";
    }
    Presonus::IContextInfoHandler* h = nullptr;
    if (nesne->queryInterface(Presonus::IContextInfoHandler::iid, reinterpret_cast<void**>(&h)) ==
            kResultOk &&
        h) {
        h->notifyContextInfoChange();
        h->release();
        return "IContextInfoHandler";
    }
    return "";
}

tresult kanalBaglamiGonder(FUnknown* nesne, KanalBaglami const& b) {
    ChannelContext::IInfoListener* d = nullptr;
    if (nesne->queryInterface(ChannelContext::IInfoListener::iid, reinterpret_cast<void**>(&d)) !=
            kResultOk ||
        !d)
        return kNoInterface;
    OznitelikListesi liste(b);
    tresult const r = d->setChannelContextInfos(&liste);
    d->release();
    return r;
}

std::string baglamOzeti(KanalBaglami const& b) {
    std::string o;
    auto ekle = [&o](char const* ad, std::string const& deger) {
        o += (o.empty() ? "" : " ") + std::string(ad) + "=" + deger;
    };
    if (b.ad)
        ekle("ad", "\"" + *b.ad + "\"");
    if (b.alan)
        ekle("alan", "\"" + *b.alan + "\"");
    if (b.uid)
        ekle("uid", "\"" + *b.uid + "\"");
    if (b.sira)
        ekle("sira", std::to_string(*b.sira));
    if (b.alanSirasi)
        ekle("alan-sirasi", std::to_string(*b.alanSirasi));
    if (b.konum)
        ekle("konum", std::to_string(*b.konum));
    if (b.renk)
        ekle("renk", std::to_string(*b.renk));
    return o.empty() ? "(empty list)" : o;
}
