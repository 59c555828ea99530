# Our own code builds warning-free; third-party code gets none of these flags.
function(oka_uyarilar hedef)
    target_compile_options(${hedef} PRIVATE -Wall -Wextra -Werror)
endfunction()
