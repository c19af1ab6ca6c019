# 32-bit Windows, the program's own target; its tests run under 32-bit Wine (Debian's wine32:i386).
set(PF_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Debian's 32-bit loader; the wrapper "wine" on the PATH picks the same one when wine32 is installed.
find_program(PF_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT PF_WINE32)
    find_program(PF_WINE32 NAMES wine NO_CMAKE_FIND_ROOT_PATH)
endif()
pf_use_wine_loader("${PF_WINE32}")
