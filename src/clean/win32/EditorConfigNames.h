/* Forced into the EditorConfig core library's C sources on Windows (cmake/EditorConfig.cmake). The
   library opens the .editorconfig files by the UTF-8 paths brisklet-clean gives it, which fopen would
   read in the ANSI code page: a folder named outside it would hide its file. BriskletOpenUtf8
   (clean/win32/Win32FileSystem.cpp) opens them by their UTF-16 names. */
#ifndef BRISKLET_EDITORCONFIG_NAMES_H
#define BRISKLET_EDITORCONFIG_NAMES_H

#include <stdio.h>

FILE* BriskletOpenUtf8(const char* name, const char* mode);

#define fopen BriskletOpenUtf8

#endif
