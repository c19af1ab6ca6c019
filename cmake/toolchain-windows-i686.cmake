# 32-bit Windows, the program's own target. These machines cannot run 32-bit Windows code, so this build
# is compiled only.
set(PF_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
