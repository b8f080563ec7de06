# Cross-builds the Windows program and its tests with Debian's mingw-w64. The posix thread
# model is the one whose runtime has std::mutex; everything is linked statically, because a
# program that lacks the runtime DLLs fails without a word.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUELB_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUELB_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUELB_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUELB_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUELB_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# CTest runs the cross-built programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
