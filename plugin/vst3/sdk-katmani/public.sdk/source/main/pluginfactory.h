#pragma once
// The plug-in factory: a list of registered classes and their creators.

#include "pluginterfaces/base/ipluginbase.h"

namespace Steinberg {

class CPluginFactory : public IPluginFactory3 {
public:
    explicit CPluginFactory(const PFactoryInfo& info);
    virtual ~CPluginFactory();

    using CreateFunc = FUnknown* (*)(void* context);

    bool registerClass(const PClassInfo* info, CreateFunc createFunc, void* context = nullptr);
    bool registerClass(const PClassInfo2* info, CreateFunc createFunc, void* context = nullptr);
    bool registerClass(const PClassInfoW* info, CreateFunc createFunc, void* context = nullptr);
    bool isClassRegistered(const FUID& cid);
    void removeAllClasses();

    DECLARE_FUNKNOWN_METHODS

    // IPluginFactory
    tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) SMTG_OVERRIDE;
    int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
    tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) SMTG_OVERRIDE;
    tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** obj) SMTG_OVERRIDE;

    // IPluginFactory2
    tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) SMTG_OVERRIDE;

    // IPluginFactory3
    tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) SMTG_OVERRIDE;
    tresult PLUGIN_API setHostContext(FUnknown* context) SMTG_OVERRIDE;

protected:
    struct PClassEntry {
        PClassInfo2 info8;
        PClassInfoW info16;
        CreateFunc createFunc;
        void* context;
        bool isUnicode;
    };

    PFactoryInfo factoryInfo;
    PClassEntry* classes = nullptr;
    int32 classCount = 0;
    int32 maxClassCount = 0;

    bool growClasses();
};

extern IPluginFactory* gPluginFactory;

} // namespace Steinberg
