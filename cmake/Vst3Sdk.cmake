# The VST 3 SDK is installed, never copied in. Here it is Debian's subset
# (juce-modules-source-data); on macOS point OKA_VST3_SDK at a full SDK.
set(OKA_VST3_SDK "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "VST 3 SDK root (pluginterfaces, base, public.sdk)")
set(OKA_PSL_UZANTILARI "/usr/share/juce/modules/juce_audio_processors/format_types"
    CACHE PATH "Directory holding pslextensions/ (PreSonus extension headers)")

if(NOT EXISTS "${OKA_VST3_SDK}/pluginterfaces/base/funknown.h")
    message(FATAL_ERROR "No VST 3 SDK at OKA_VST3_SDK=${OKA_VST3_SDK}. "
                        "On Debian run scripts/kur.sh (package juce-modules-source-data).")
endif()
if(NOT EXISTS "${OKA_PSL_UZANTILARI}/pslextensions/ipslcontextinfo.h")
    message(FATAL_ERROR "No PreSonus extension headers under OKA_PSL_UZANTILARI=${OKA_PSL_UZANTILARI}")
endif()

set(_sdk "${OKA_VST3_SDK}")
set(_sdk_kaynaklar
    base/source/baseiids.cpp
    base/source/fbuffer.cpp
    base/source/fdebug.cpp
    base/source/fobject.cpp
    base/source/fstreamer.cpp
    base/source/fstring.cpp
    base/source/updatehandler.cpp
    base/thread/source/flock.cpp
    pluginterfaces/base/conststringtable.cpp
    pluginterfaces/base/coreiids.cpp
    pluginterfaces/base/funknown.cpp
    pluginterfaces/base/ustring.cpp
    public.sdk/source/common/memorystream.cpp
    public.sdk/source/common/pluginview.cpp
    public.sdk/source/vst/vstbus.cpp
    public.sdk/source/vst/vstcomponent.cpp
    public.sdk/source/vst/vstcomponentbase.cpp
    public.sdk/source/vst/vsteditcontroller.cpp
    public.sdk/source/vst/vstinitiids.cpp
    public.sdk/source/vst/vstparameters.cpp)
list(TRANSFORM _sdk_kaynaklar PREPEND "${_sdk}/")

# The subset lacks the single-component base, the factory helper, the module
# entry points and a few interface IDs; our layer with the same API fills in.
if(EXISTS "${_sdk}/public.sdk/source/vst/vstsinglecomponenteffect.cpp")
    set(OKA_SDK_TAM ON)
    # The factory's platform timer lives in base/source/timer.cpp.
    list(APPEND _sdk_kaynaklar
        "${_sdk}/base/source/timer.cpp"
        "${_sdk}/public.sdk/source/vst/vstsinglecomponenteffect.cpp"
        "${_sdk}/public.sdk/source/main/pluginfactory.cpp"
        "${_sdk}/public.sdk/source/main/moduleinit.cpp"
        "${_sdk}/public.sdk/source/common/commoniids.cpp")
    # The single-component base pulls vsteditcontroller.cpp in itself unless told
    # the project compiles it already; we do, so say so or every symbol is twice.
    set_source_files_properties("${_sdk}/public.sdk/source/vst/vstsinglecomponenteffect.cpp"
        PROPERTIES COMPILE_DEFINITIONS PROJECT_INCLUDES_VSTEDITCONTROLLER=1)
    set(_sdk_katman_dizini "")
else()
    if(APPLE)
        message(FATAL_ERROR "OKA_VST3_SDK=${OKA_VST3_SDK} is a subset without "
                            "public.sdk/source/vst/vstsinglecomponenteffect.cpp; a macOS build needs a "
                            "full VST 3 SDK (its macOS module entry and factory).")
    endif()
    set(OKA_SDK_TAM OFF)
    set(_katman "${CMAKE_CURRENT_SOURCE_DIR}/plugin/vst3/sdk-katmani")
    list(APPEND _sdk_kaynaklar
        "${_katman}/public.sdk/source/vst/vstsinglecomponenteffect.cpp"
        "${_katman}/public.sdk/source/main/pluginfactory.cpp"
        "${_katman}/public.sdk/source/main/moduleinit.cpp"
        "${_katman}/public.sdk/source/common/commoniids.cpp")
    set(_sdk_katman_dizini "${_katman}")
endif()
message(STATUS "VST 3 SDK: ${_sdk} (full SDK: ${OKA_SDK_TAM})")

add_library(oka_vst3sdk STATIC ${_sdk_kaynaklar})
target_include_directories(oka_vst3sdk SYSTEM PUBLIC ${_sdk_katman_dizini} "${_sdk}" "${OKA_PSL_UZANTILARI}")
target_compile_definitions(oka_vst3sdk PUBLIC $<IF:$<CONFIG:Debug>,DEVELOPMENT=1,RELEASE=1>)
# Third-party code: no warning flags of ours.
target_compile_options(oka_vst3sdk PRIVATE -w)
find_package(Threads REQUIRED)
target_link_libraries(oka_vst3sdk PUBLIC Threads::Threads)
if(APPLE)
    # fstring.cpp converts through CFString, so the library needs the framework
    # itself, whoever links it.
    target_link_libraries(oka_vst3sdk PUBLIC "-framework CoreFoundation")
endif()

# The module's entry points come from the SDK per platform.
if(APPLE)
    set(OKA_SDK_GIRIS "${_sdk}/public.sdk/source/main/macmain.cpp")
elseif(OKA_SDK_TAM)
    set(OKA_SDK_GIRIS "${_sdk}/public.sdk/source/main/linuxmain.cpp")
else()
    set(OKA_SDK_GIRIS "${_sdk_katman_dizini}/public.sdk/source/main/linuxmain.cpp")
endif()

# The SDK's own tools from a full SDK (the configured one when it is full):
# the module-info tool writes Contents/Resources/moduleinfo.json into every
# bundle we build, and the validator checks the bundle. They load the module,
# so sanitizer and fuzz builds, whose modules need their runtime first, and
# cross builds go without them.
if(OKA_SDK_TAM)
    set(_tam_varsayilan "${OKA_VST3_SDK}")
else()
    get_filename_component(_tam_varsayilan "${PROJECT_SOURCE_DIR}/../shared/vst3sdk" ABSOLUTE)
endif()
set(OKA_TAM_SDK "${_tam_varsayilan}" CACHE PATH
    "Full VST 3 SDK whose validator and module-info tool check the bundle")
set(OKA_SDK_ARACLARI_DIZINI "${CMAKE_BINARY_DIR}/vst3sdk-araclari" CACHE PATH
    "Build tree of the SDK's tools; build trees may share one")

if(OKA_SANITIZER OR OKA_FUZZ)
    message(STATUS "VST 3 SDK validator: not in sanitizer or fuzz builds")
elseif(CMAKE_CROSSCOMPILING)
    # The host's tools cannot load a module built for another system; a build
    # on the target system makes the bundle's moduleinfo.json.
    message(STATUS "VST 3 SDK validator: not in a cross build; the bundle gets no moduleinfo.json")
elseif(NOT EXISTS "${OKA_TAM_SDK}/public.sdk/samples/vst-hosting/validator/CMakeLists.txt"
       OR NOT EXISTS "${OKA_TAM_SDK}/public.sdk/samples/vst-utilities/moduleinfotool/CMakeLists.txt")
    message(STATUS "VST 3 SDK validator: SKIPPED, no full SDK with its validator and module-info tool "
                   "at OKA_TAM_SDK=${OKA_TAM_SDK}; bundles get no moduleinfo.json")
else()
    include(ExternalProject)
    set(_araclar "${OKA_SDK_ARACLARI_DIZINI}/bin/Release")
    set(OKA_DOGRULAYICI "${_araclar}/validator")
    set(OKA_MODUL_BILGI_ARACI "${_araclar}/moduleinfotool")
    # Only the two tools: the SDK's examples and its editor library are not needed.
    if(CMAKE_GENERATOR MATCHES "Makefiles")
        set(_arac_derle $(MAKE) validator moduleinfotool)
    else()
        set(_arac_derle ${CMAKE_COMMAND} --build <BINARY_DIR> --config Release --target validator moduleinfotool)
    endif()
    ExternalProject_Add(oka_sdk_araclari
        SOURCE_DIR "${OKA_TAM_SDK}"
        BINARY_DIR "${OKA_SDK_ARACLARI_DIZINI}"
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DSMTG_ENABLE_VSTGUI_SUPPORT=OFF -DSMTG_ADD_VSTGUI=OFF
                   -DSMTG_ENABLE_VST3_PLUGIN_EXAMPLES=OFF -DSMTG_ENABLE_VST3_HOSTING_EXAMPLES=OFF
        BUILD_COMMAND ${_arac_derle}
        INSTALL_COMMAND ""
        BUILD_BYPRODUCTS "${OKA_DOGRULAYICI}" "${OKA_MODUL_BILGI_ARACI}")
    message(STATUS "VST 3 SDK validator: ${OKA_TAM_SDK}, built in ${OKA_SDK_ARACLARI_DIZINI}")
endif()
