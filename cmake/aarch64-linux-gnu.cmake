# Cross-compiling for 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# C: the EditorConfig core library and PCRE2, built for the target from their sources.
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
# Also / itself: Debian's arm64 libraries (libeditorconfig-dev:arm64, for the arm64 package) live in
# /usr/lib/aarch64-linux-gnu.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
