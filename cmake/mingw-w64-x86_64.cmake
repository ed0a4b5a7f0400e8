# Cross compiling for 64-bit Windows (x86-64): the same program as the 32-bit build, for hosts
# whose kernel cannot run 32-bit code and so cannot start Wine's 32-bit half. The release for
# players stays 32-bit (see mingw-w64-i686.cmake).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(_vantorel_mingw x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
