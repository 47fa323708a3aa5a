# The Windows resources of Brisklet.exe and brisklet-clean.exe (the version information), compiled by
# MinGW's windres.

# MinGW's platform module has already enabled RC with the windres of the compiler's prefix; a
# windres of another target would produce objects the linker rejects, so that is checked here.
enable_language(RC)
get_filename_component(briskletCompilerName "${CMAKE_CXX_COMPILER}" NAME)
get_filename_component(briskletRcName "${CMAKE_RC_COMPILER}" NAME)
string(REGEX MATCH "^[^-]+-w64-mingw32-" briskletToolPrefix "${briskletCompilerName}")
if(NOT briskletRcName STREQUAL "${briskletToolPrefix}windres")
  message(FATAL_ERROR "RC compiler is '${CMAKE_RC_COMPILER}', not ${briskletToolPrefix}windres: "
                      "set CMAKE_RC_COMPILER in the toolchain file")
endif()

target_sources(Brisklet PRIVATE "${CMAKE_SOURCE_DIR}/cmake/BriskletVersion.rc")
target_sources(brisklet-clean PRIVATE "${CMAKE_SOURCE_DIR}/cmake/BriskletVersion.rc")
target_compile_definitions(brisklet-clean PRIVATE BRISKLET_CLEAN_PROGRAM)
