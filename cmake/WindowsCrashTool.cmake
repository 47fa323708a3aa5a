# CrashTool.exe: Brisklet.exe's start-up and crash handler, then a fault on purpose. The crash scenarios of
# tests/e2e install it as Brisklet.exe. A test program: built only with the tests.

if(BRISKLET_TESTS)
  add_executable(CrashTool WIN32 tests/e2e/crash/CrashTool.cpp)
  target_link_libraries(CrashTool PRIVATE brisklet_tool)
  target_compile_options(CrashTool PRIVATE ${BRISKLET_WARNINGS})
  target_compile_definitions(CrashTool PRIVATE ${BRISKLET_WIN32_DEFINITIONS})
  target_link_options(CrashTool PRIVATE -municode)
endif()
