# Conventions for the sanitizer and fuzz stages of scripts/test.sh.
#
# libFuzzer targets are built only in the clang fuzz build (OKA_FUZZ=ON) and run
# by CTest for OKA_FUZZ_SURE seconds each under the label "fuzz"; that stage
# builds only the target oka_fuzz_hepsi.
#
# Tests of threaded code carry the label "tsan"; their executables are added to
# oka_tsan_hepsi, the only target the ThreadSanitizer stage builds.
set(OKA_FUZZ_SURE 20 CACHE STRING "Seconds each fuzz target runs under CTest")

add_custom_target(oka_fuzz_hepsi)
add_custom_target(oka_tsan_hepsi)

function(oka_fuzz_hedefi ad)
    if(NOT OKA_FUZZ)
        return()
    endif()
    add_executable(${ad} ${ARGN})
    target_compile_options(${ad} PRIVATE -fsanitize=fuzzer)
    target_link_options(${ad} PRIVATE -fsanitize=fuzzer)
    oka_uyarilar(${ad})
    add_dependencies(oka_fuzz_hepsi ${ad})
    add_test(NAME ${ad}
             COMMAND ${ad} -max_total_time=${OKA_FUZZ_SURE} -rss_limit_mb=2048 -print_final_stats=1)
    set_tests_properties(${ad} PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()

# Marks a test executable as part of the ThreadSanitizer stage.
function(oka_tsan_hedefi hedef)
    add_dependencies(oka_tsan_hepsi ${hedef})
endfunction()
