# Cross compiling for 32-bit Windows (x86, like the game).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(_vantorel_mingw i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
