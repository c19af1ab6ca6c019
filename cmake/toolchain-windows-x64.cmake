# 64-bit Windows: the same sources as the 32-bit build; its tests run under wine64.
set(PF_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Debian keeps the 64-bit loader out of PATH; the wrapper "wine" looks for a 32-bit loader first.
find_program(PF_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
pf_use_wine_loader("${PF_WINE64}")
