# What both Windows toolchains share; each sets _vantorel_mingw (the target triplet) and
# CMAKE_SYSTEM_PROCESSOR, then includes this. Debian's mingw-w64 with the posix thread model,
# so that std::thread and std::mutex work.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${_vantorel_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_vantorel_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_vantorel_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_vantorel_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Static so that the executables need no MinGW DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine: scripts/wine-run reads each program's header and starts the
# loader of its kind, 32- or 64-bit.
get_filename_component(_vantorel_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_vantorel_root}/scripts/wine-run")
