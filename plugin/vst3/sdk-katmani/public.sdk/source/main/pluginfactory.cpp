#include "public.sdk/source/main/pluginfactory.h"

#include "base/source/fstring.h"
#include "pluginterfaces/base/ustring.h"

#include <cstdlib>
#include <cstring>

namespace Steinberg {

IPluginFactory* gPluginFactory = nullptr;

CPluginFactory::CPluginFactory(const PFactoryInfo& info)
    : factoryInfo(info){FUNKNOWN_CTOR}

      CPluginFactory::~CPluginFactory() {
    if (gPluginFactory == this)
        gPluginFactory = nullptr;
    std::free(classes);
    FUNKNOWN_DTOR
}

IMPLEMENT_REFCOUNT(CPluginFactory)

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, IPluginFactory::iid, IPluginFactory)
    QUERY_INTERFACE(iid, obj, IPluginFactory2::iid, IPluginFactory2)
    QUERY_INTERFACE(iid, obj, IPluginFactory3::iid, IPluginFactory3)
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IPluginFactory)
    *obj = nullptr;
    return kNoInterface;
}

bool CPluginFactory::growClasses() {
    int32 const yeni = maxClassCount + 8;
    void* p = std::realloc(classes, sizeof(PClassEntry) * static_cast<size_t>(yeni));
    if (!p)
        return false;
    classes = static_cast<PClassEntry*>(p);
    maxClassCount = yeni;
    return true;
}

bool CPluginFactory::registerClass(const PClassInfo* info, CreateFunc createFunc, void* context) {
    if (!info || !createFunc)
        return false;
    PClassInfo2 info2;
    std::memcpy(&info2, info, sizeof(PClassInfo));
    return registerClass(&info2, createFunc, context);
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunc createFunc, void* context) {
    if (!info || !createFunc)
        return false;
    if (classCount >= maxClassCount && !growClasses())
        return false;
    PClassEntry& e = classes[classCount];
    e.info8 = *info;
    e.info16.fromAscii(*info);
    e.createFunc = createFunc;
    e.context = context;
    e.isUnicode = false;
    ++classCount;
    return true;
}

bool CPluginFactory::registerClass(const PClassInfoW* info, CreateFunc createFunc, void* context) {
    if (!info || !createFunc)
        return false;
    if (classCount >= maxClassCount && !growClasses())
        return false;
    PClassEntry& e = classes[classCount];
    std::memset(&e.info8, 0, sizeof(e.info8));
    e.info16 = *info;
    e.createFunc = createFunc;
    e.context = context;
    e.isUnicode = true;
    ++classCount;
    return true;
}

bool CPluginFactory::isClassRegistered(const FUID& cid) {
    for (int32 i = 0; i < classCount; ++i)
        if (FUnknownPrivate::iidEqual(cid, classes[i].info16.cid))
            return true;
    return false;
}

void CPluginFactory::removeAllClasses() {
    classCount = 0;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
    if (!info)
        return kInvalidArgument;
    std::memcpy(info, &factoryInfo, sizeof(PFactoryInfo));
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() {
    return classCount;
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    if (!info || index < 0 || index >= classCount)
        return kInvalidArgument;
    if (classes[index].isUnicode) {
        std::memset(info, 0, sizeof(PClassInfo));
        return kResultFalse;
    }
    std::memcpy(info, &classes[index].info8, sizeof(PClassInfo));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    if (!info || index < 0 || index >= classCount)
        return kInvalidArgument;
    if (classes[index].isUnicode) {
        std::memset(info, 0, sizeof(PClassInfo2));
        return kResultFalse;
    }
    std::memcpy(info, &classes[index].info8, sizeof(PClassInfo2));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    if (!info || index < 0 || index >= classCount)
        return kInvalidArgument;
    std::memcpy(info, &classes[index].info16, sizeof(PClassInfoW));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
    if (!obj)
        return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !iid)
        return kInvalidArgument;
    for (int32 i = 0; i < classCount; ++i) {
        if (std::memcmp(classes[i].info16.cid, cid, sizeof(TUID)) != 0)
            continue;
        FUnknown* nesne = classes[i].createFunc(classes[i].context);
        if (!nesne)
            return kOutOfMemory;
        // The creator hands over one reference; the asked-for face takes its own.
        tresult const r = nesne->queryInterface(iid, obj);
        nesne->release();
        if (r != kResultOk)
            *obj = nullptr;
        return r == kResultOk ? kResultOk : kNoInterface;
    }
    return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown*) {
    return kNotImplemented;
}

} // namespace Steinberg
