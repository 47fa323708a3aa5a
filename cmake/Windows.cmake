# The Windows programs: Brisklet.exe, brisklet-clean.exe, and the test IDE and probe tool of the end-to-end tests.

set(BRISKLET_WIN32_DEFINITIONS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

# The tool: its entry on top of its own layer, which brings the Windows realisations below it.
add_executable(Brisklet WIN32 src/tool/win32/BriskletMain.cpp)
set_target_properties(Brisklet PROPERTIES OUTPUT_NAME ${BRISKLET_TOOL_NAME})
target_link_libraries(Brisklet PRIVATE brisklet_tool)
target_compile_options(Brisklet PRIVATE ${BRISKLET_WARNINGS})
target_compile_definitions(Brisklet PRIVATE ${BRISKLET_WIN32_DEFINITIONS})
# wWinMain: the command line arrives as UTF-16, as the IDE passed it.
target_link_options(Brisklet PRIVATE -municode)

# brisklet-clean.exe: the console program for files and pipes. wmain: every file name arrives as
# UTF-16, whatever the code page. The IDE's preferences file is read through the configuration
# platform, as Brisklet.exe reads it.
add_executable(brisklet-clean src/clean/win32/CleanMain.cpp)
target_link_libraries(brisklet-clean PRIVATE brisklet_clean)
target_compile_options(brisklet-clean PRIVATE ${BRISKLET_WARNINGS})
target_compile_definitions(brisklet-clean PRIVATE ${BRISKLET_WIN32_DEFINITIONS})
target_link_options(brisklet-clean PRIVATE -municode)
target_link_libraries(brisklet-clean PRIVATE shell32)
# Both programs' version resources.
include(cmake/WindowsResources.cmake)

include(cmake/WindowsConfigProbe.cmake)
include(cmake/WindowsCrashTool.cmake)

# The test IDE includes Scintilla's own header, so its messages are numbered independently of ours.
set(BRISKLET_SCINTILLA_INCLUDE "${CMAKE_SOURCE_DIR}/build/third_party/scite/scintilla/include"
    CACHE PATH "Scintilla's include folder, unpacked by scripts/setup-windows.sh")
if(BRISKLET_TESTS)
  if(NOT EXISTS "${BRISKLET_SCINTILLA_INCLUDE}/Scintilla.h")
    message(FATAL_ERROR "No Scintilla.h in ${BRISKLET_SCINTILLA_INCLUDE}: run scripts/setup-windows.sh, "
                        "or configure with -DBRISKLET_TESTS=OFF to build only Brisklet.exe")
  endif()
  file(GLOB BRISKLET_TEST_IDE_SOURCES CONFIGURE_DEPENDS tests/e2e/*.cpp)
  add_executable(TestIde ${BRISKLET_TEST_IDE_SOURCES} tests/support/FoldLevels.cpp)
  # The preferences engine reads the tools file with the IDE's reading rules.
  target_link_libraries(TestIde PRIVATE brisklet_runtime shell32)
  target_include_directories(TestIde PRIVATE src tests "${BRISKLET_SCINTILLA_INCLUDE}")
  target_compile_options(TestIde PRIVATE ${BRISKLET_WARNINGS})
  target_compile_definitions(TestIde PRIVATE ${BRISKLET_WIN32_DEFINITIONS})
  target_link_options(TestIde PRIVATE -municode)

  # A stand-in for the tool that proves the harness itself: message boxes, environment, messages.
  add_executable(ProbeTool WIN32 tests/e2e/probe/ProbeTool.cpp)
  target_include_directories(ProbeTool PRIVATE src tests/e2e "${BRISKLET_SCINTILLA_INCLUDE}")
  target_compile_options(ProbeTool PRIVATE ${BRISKLET_WARNINGS})
  target_compile_definitions(ProbeTool PRIVATE ${BRISKLET_WIN32_DEFINITIONS})
  target_link_options(ProbeTool PRIVATE -municode)
endif()
