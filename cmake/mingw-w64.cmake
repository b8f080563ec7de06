# Cross-builds the Windows program and its tests with Debian's mingw-w64, for 32-bit Windows:
# the one program runs on every Windows from XP SP3 on, 32- and 64-bit alike. The posix
# thread model is the one whose runtime has std::mutex (GoogleTest needs it); the one import
# of its thread library that XP lacks, GetTickCount64, the program answers itself
# (src/startup/main/xp_tick_count.cpp). Everything is linked statically, because a program
# that lacks the runtime DLLs fails without a word, and every program says that it needs no
# more than XP SP3 (5.1).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(QUELB_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${QUELB_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUELB_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUELB_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUELB_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -Wl,--major-subsystem-version,5,--minor-subsystem-version,1\
 -Wl,--major-os-version,5,--minor-os-version,1")

# CTest runs the cross-built programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
