# Toolchain of the cross build of the macOS path on Debian (scripts/mac-capraz.sh):
# Debian's clang 14 and ld64.lld against Apple's headers and link stubs. The
# script lays out OKA_MAC_KOK as an SDK root of links (the public SDK subset and
# our stand-ins); nothing here runs on the host.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR arm64)
set(CMAKE_C_COMPILER /usr/bin/clang-14)
set(CMAKE_CXX_COMPILER /usr/bin/clang++-14)
set(CMAKE_OBJC_COMPILER /usr/bin/clang-14)
set(CMAKE_OBJCXX_COMPILER /usr/bin/clang++-14)
# An Apple triple makes the driver honour -arch, one pass per slice.
foreach(_dil C CXX OBJC OBJCXX)
    set(CMAKE_${_dil}_COMPILER_TARGET arm64-apple-macos)
endforeach()

# A try-compile cannot run, nor without the generated stubs link, a Mach-O.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OKA_MAC_KOK)
if(NOT OKA_MAC_KOK)
    message(FATAL_ERROR "OKA_MAC_KOK: the SDK root scripts/mac-capraz.sh lays out")
endif()
set(CMAKE_OSX_SYSROOT "${OKA_MAC_KOK}" CACHE PATH "" FORCE)
set(CMAKE_FIND_ROOT_PATH "${OKA_MAC_KOK}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# What the SDK's headers expect of a newer clang than 14: the minimum-version
# macro they read (else every __MAC_OS_X_VERSION_MIN_REQUIRED test is false),
# and acceptance of their forward-declared CF_ENUMs.
set(_c "-D__ENVIRONMENT_OS_VERSION_MIN_REQUIRED__=__ENVIRONMENT_MAC_OS_X_VERSION_MIN_REQUIRED__")
string(APPEND _c " -Wno-elaborated-enum-base")
# Only Apple's libc++ (Debian's clang would take libstdc++), and its headers,
# never a host copy the compiler might find first.
set(_cxx "-stdlib=libc++ -nostdinc++ -isystem ${OKA_MAC_KOK}/usr/include/c++/v1 ${_c}")
set(CMAKE_C_FLAGS_INIT "${_c}")
set(CMAKE_OBJC_FLAGS_INIT "${_c}")
set(CMAKE_CXX_FLAGS_INIT "${_cxx}")
set(CMAKE_OBJCXX_FLAGS_INIT "${_cxx}")
# The compile flags above reach the link line too, where they mean nothing.
foreach(_tur EXE SHARED MODULE)
    set(CMAKE_${_tur}_LINKER_FLAGS_INIT "-fuse-ld=lld -stdlib=libc++ -Wno-unused-command-line-argument")
endforeach()

# LLVM's tools for Apple's: libtool makes one archive per slice from the fat
# objects, which ar cannot index.
set(CMAKE_INSTALL_NAME_TOOL llvm-install-name-tool-14)
set(CMAKE_AR llvm-ar-14)
set(CMAKE_RANLIB llvm-ranlib-14)
foreach(_dil C CXX OBJC OBJCXX)
    set(CMAKE_${_dil}_CREATE_STATIC_LIBRARY "llvm-libtool-darwin-14 -static -o <TARGET> <OBJECTS>")
endforeach()
