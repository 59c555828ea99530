# Objective-C++ files that build with Apple's AppKit on macOS build here with
# g++ against GNUstep. oka_gnustep(TARGET FILE...) compiles FILE... that way
# and links TARGET with GNUstep's GUI libraries.
function(oka_gnustep hedef)
    find_program(OKA_GNUSTEP_CONFIG gnustep-config)
    if(NOT OKA_GNUSTEP_CONFIG)
        message(FATAL_ERROR "gnustep-config not found: install the packages with scripts/paketler.sh")
    endif()
    execute_process(COMMAND ${OKA_GNUSTEP_CONFIG} --objc-flags
                    OUTPUT_VARIABLE bayraklar OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${OKA_GNUSTEP_CONFIG} --gui-libs
                    OUTPUT_VARIABLE kitapliklar OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(bayraklar UNIX_COMMAND "${bayraklar}")
    separate_arguments(kitapliklar UNIX_COMMAND "${kitapliklar}")
    # Keep the build type's own optimisation and debug flags, write no
    # dependency files beside the object, and read GNUstep's headers as system
    # headers so their warnings do not fail our -Werror build. Without
    # -fobjc-call-cxx-cdtors C++ members of Objective-C objects are never
    # constructed.
    list(FILTER bayraklar EXCLUDE REGEX "^-(MMD|MP|g|O[0-9s]?|I\\.)$")
    list(TRANSFORM bayraklar REPLACE "^-I" "-isystem")
    set_source_files_properties(${ARGN} TARGET_DIRECTORY ${hedef} PROPERTIES
        LANGUAGE CXX
        COMPILE_OPTIONS "-x;objective-c++;${bayraklar};-fobjc-call-cxx-cdtors")
    target_sources(${hedef} PRIVATE ${ARGN})
    target_link_libraries(${hedef} PUBLIC ${kitapliklar})
endfunction()
