# Cross-compiling for 32-bit Windows with MinGW-w64 (posix threads), every program linked fully static.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
# The win32 thread variant has no std::thread or std::future.
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
# C: the EditorConfig core library and PCRE2, built for the target from their sources.
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
# The version resource needs the windres of the same target.
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No MinGW runtime DLL has to travel with the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
