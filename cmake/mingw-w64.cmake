# Cross-builds for 64-bit Windows with Debian's MinGW-w64 tool chain (g++-mingw-w64-x86-64-posix:
# the POSIX thread model, which std::thread needs). Libraries for the target (GoogleTest,
# libjpeg-turbo, CLI11) are looked up only under the tool chain's own root and the folders given
# in CMAKE_PREFIX_PATH, never in the build machine's /usr.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RM42_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RM42_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RM42_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${RM42_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RM42_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# MinGW's time.h offers POSIX's localtime_r and gmtime_r when asked (the simulator and tests use
# them; the program itself uses the platform's own call).
set(CMAKE_C_FLAGS_INIT "-D_POSIX_THREAD_SAFE_FUNCTIONS=200112L")
set(CMAKE_CXX_FLAGS_INIT "-D_POSIX_THREAD_SAFE_FUNCTIONS=200112L")

# The C++ run-time and winpthread go into each executable, so that Wine (or a Windows machine)
# runs it without the tool chain's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine on the build machine.
find_program(RM42_WINE NAMES wine64 wine)
if(RM42_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${RM42_WINE}")
endif()
