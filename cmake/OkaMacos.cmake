# macOS deployment: included before project(), because the toolchain checks and
# every target's flags read these. Other platforms ignore them.
#
# The default is the oldest system a product promises in its Info.plist (the
# plug-in: 10.13; the arm64 slice needs 11.0 and gets it from the compiler).
# A program that needs more raises its own target with oka_macos_asgari. Both
# slices, so that a workstation of either architecture, or one running under
# Rosetta, loads the plug-in.
set(CMAKE_OSX_DEPLOYMENT_TARGET "10.13" CACHE STRING "Oldest macOS the products run on")
set(CMAKE_OSX_ARCHITECTURES "arm64;x86_64" CACHE STRING "Architectures of every macOS binary")

# Raises one target's minimum macOS to `surum` (e.g. 11.0) when the default is lower.
function(oka_macos_asgari hedef surum)
    if(NOT APPLE OR CMAKE_OSX_DEPLOYMENT_TARGET VERSION_GREATER_EQUAL surum)
        return()
    endif()
    if(CMAKE_GENERATOR STREQUAL "Xcode")
        set_target_properties(${hedef} PROPERTIES XCODE_ATTRIBUTE_MACOSX_DEPLOYMENT_TARGET "${surum}")
    else()
        # Target options follow the global flag on the command line, so they win.
        target_compile_options(${hedef} PRIVATE "-mmacosx-version-min=${surum}")
        target_link_options(${hedef} PRIVATE "-mmacosx-version-min=${surum}")
    endif()
endfunction()
