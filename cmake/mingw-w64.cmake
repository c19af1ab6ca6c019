# Shared part of the MinGW-w64 toolchain files: the POSIX-thread compilers of one target triple, the
# target's own libraries and headers only, and a static runtime so that a test program runs on any
# Windows (or Wine) without the compiler's DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${PF_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PF_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PF_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PF_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# These builds exist to prove the sources and run the tests, so they optimise lightly: they compile
# quickly, and GCC 12 at -O3 warns falsely about overlapping copies inside std::string (-Wrestrict).
set(CMAKE_C_FLAGS_RELEASE "-O1 -DNDEBUG" CACHE STRING "Flags of the Release build")
set(CMAKE_CXX_FLAGS_RELEASE "-O1 -DNDEBUG" CACHE STRING "Flags of the Release build")

# The tests run under Wine through scripts/wine-run.sh, so that a test ends for ctest when its program
# ends: pf_use_wine_loader(<loader>) makes <loader> the emulator of the build's test programs.
function(pf_use_wine_loader loader)
    if(loader)
        get_filename_component(run ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../scripts/wine-run.sh ABSOLUTE)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${run} ${loader} PARENT_SCOPE)
    endif()
endfunction()
