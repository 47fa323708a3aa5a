# The EditorConfig core library, which brisklet-clean asks for a source's .editorconfig properties, as the
# target BriskletEditorConfig. A normal build links the system's (Debian's libeditorconfig-dev). The static
# Linux programs and the Windows programs need it built for their target: there it is built here from Debian's
# source package, which scripts/setup-aarch64.sh and scripts/setup-windows.sh unpack into build/third_party.
# PCRE2 (its glob matching): the static Linux programs link Debian's own static library of their processor
# (libpcre2-dev, with Debian's security updates); the Windows programs build it from Debian's source package.

add_library(BriskletEditorConfig INTERFACE)

if(NOT WIN32 AND NOT BRISKLET_STATIC)
  find_path(BRISKLET_EDITORCONFIG_INCLUDE editorconfig/editorconfig.h)
  find_library(BRISKLET_EDITORCONFIG_LIBRARY editorconfig)
  if(NOT BRISKLET_EDITORCONFIG_INCLUDE OR NOT BRISKLET_EDITORCONFIG_LIBRARY)
    message(FATAL_ERROR "No EditorConfig core library (editorconfig/editorconfig.h, libeditorconfig): on Debian, "
                        "scripts/setup-native.sh installs libeditorconfig-dev")
  endif()
  target_include_directories(BriskletEditorConfig SYSTEM INTERFACE "${BRISKLET_EDITORCONFIG_INCLUDE}")
  target_link_libraries(BriskletEditorConfig INTERFACE "${BRISKLET_EDITORCONFIG_LIBRARY}")
  return()
endif()

set(BRISKLET_EDITORCONFIG_SOURCES "${CMAKE_SOURCE_DIR}/build/third_party/editorconfig-core"
    CACHE PATH "The EditorConfig core library's sources, unpacked by scripts/setup-aarch64.sh or setup-windows.sh")
set(sourceTrees "${BRISKLET_EDITORCONFIG_SOURCES}")
if(WIN32)
  set(BRISKLET_PCRE2_SOURCES "${CMAKE_SOURCE_DIR}/build/third_party/pcre2"
      CACHE PATH "PCRE2's sources, unpacked by scripts/setup-windows.sh")
  list(APPEND sourceTrees "${BRISKLET_PCRE2_SOURCES}")
endif()
foreach(tree ${sourceTrees})
  if(NOT EXISTS "${tree}/CMakeLists.txt")
    message(FATAL_ERROR "No sources in ${tree}: run scripts/setup-aarch64.sh (static Linux programs) or "
                        "scripts/setup-windows.sh (Windows programs)")
  endif()
endforeach()

include(ExternalProject)
# Each built for the same target, with the same compilers, as the programs.
set(forwarded -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF)
if(CMAKE_TOOLCHAIN_FILE)
  list(APPEND forwarded "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}")
endif()

# pcre2.h alone, away from anything beside it (PCRE2's own config.h, the host's C headers in /usr/include).
set(pcre2Build "${CMAKE_BINARY_DIR}/third_party/pcre2")
if(WIN32)
  # Only the 8-bit library, without JIT, programs or tests.
  set(pcre2Library "${pcre2Build}/${CMAKE_STATIC_LIBRARY_PREFIX}pcre2-8${CMAKE_STATIC_LIBRARY_SUFFIX}")
  ExternalProject_Add(BriskletPcre2
    SOURCE_DIR "${BRISKLET_PCRE2_SOURCES}"
    BINARY_DIR "${pcre2Build}"
    CMAKE_ARGS ${forwarded} -DBUILD_STATIC_LIBS=ON -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF
               -DPCRE2_BUILD_PCRE2_32=OFF -DPCRE2_SUPPORT_JIT=OFF -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF
               -DPCRE2_SHOW_REPORT=OFF
    BUILD_COMMAND "${CMAKE_COMMAND}" --build <BINARY_DIR> --target pcre2-8-static
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS "${pcre2Library}")
  ExternalProject_Add_Step(BriskletPcre2 interface
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${pcre2Build}/pcre2.h" "${pcre2Build}/interface/pcre2.h"
    DEPENDEES build
    BYPRODUCTS "${pcre2Build}/interface/pcre2.h")
else()
  find_library(BRISKLET_PCRE2_LIBRARY libpcre2-8.a)
  find_path(BRISKLET_PCRE2_INCLUDE pcre2.h)
  if(NOT BRISKLET_PCRE2_LIBRARY OR NOT BRISKLET_PCRE2_INCLUDE)
    message(FATAL_ERROR "No static PCRE2 library for ${CMAKE_SYSTEM_PROCESSOR} (libpcre2-8.a, pcre2.h): "
                        "scripts/setup-aarch64.sh installs libpcre2-dev and libpcre2-dev:arm64")
  endif()
  message(STATUS "PCRE2: ${BRISKLET_PCRE2_LIBRARY}")
  set(pcre2Library "${BRISKLET_PCRE2_LIBRARY}")
  configure_file("${BRISKLET_PCRE2_INCLUDE}/pcre2.h" "${pcre2Build}/interface/pcre2.h" COPYONLY)
endif()

# Only the static library; PCRE2 is given to it, and linked statically (PCRE2_STATIC). Upstream names it
# editorconfig_static, Debian's patches (applied where the mirror has every file of the source package) as the
# shared one.
set(editorConfigBuild "${CMAKE_BINARY_DIR}/third_party/editorconfig-core")
file(STRINGS "${BRISKLET_EDITORCONFIG_SOURCES}/src/lib/CMakeLists.txt" upstreamName REGEX "OUTPUT_NAME editorconfig_static")
if(upstreamName)
  set(editorConfigName editorconfig_static)
else()
  set(editorConfigName editorconfig)
endif()
set(editorConfigLibrary
    "${editorConfigBuild}/lib/${CMAKE_STATIC_LIBRARY_PREFIX}${editorConfigName}${CMAKE_STATIC_LIBRARY_SUFFIX}")
set(editorConfigArguments ${forwarded} -DBUILD_DOCUMENTATION=OFF -DPCRE2_STATIC=ON
    "-DPCRE2_INCLUDE_DIR=${pcre2Build}/interface" "-DPCRE2_LIBRARY_RELEASE=${pcre2Library}")
if(WIN32)
  # Its fopen takes UTF-8 names, as brisklet-clean gives them.
  list(APPEND editorConfigArguments "-DCMAKE_C_FLAGS=-include ${CMAKE_SOURCE_DIR}/src/clean/win32/EditorConfigNames.h")
endif()
ExternalProject_Add(BriskletEditorConfigCore
  SOURCE_DIR "${BRISKLET_EDITORCONFIG_SOURCES}"
  BINARY_DIR "${editorConfigBuild}"
  CMAKE_ARGS ${editorConfigArguments}
  BUILD_COMMAND "${CMAKE_COMMAND}" --build <BINARY_DIR> --target editorconfig_static
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${editorConfigLibrary}")
if(WIN32)
  ExternalProject_Add_StepDependencies(BriskletEditorConfigCore configure BriskletPcre2)
endif()

add_dependencies(BriskletEditorConfig BriskletEditorConfigCore)
target_include_directories(BriskletEditorConfig SYSTEM INTERFACE "${BRISKLET_EDITORCONFIG_SOURCES}/include")
target_link_libraries(BriskletEditorConfig INTERFACE "${editorConfigLibrary}" "${pcre2Library}")
if(WIN32)
  # PathIsRelativeA.
  target_link_libraries(BriskletEditorConfig INTERFACE shlwapi)
endif()
