# ConfigPlatformProbe.exe: the Windows configuration platform checked on real files, run under Wine by
# tests/e2e/config/run-config-probe.sh. It needs no Scintilla, so it builds whatever BRISKLET_TESTS says.

add_executable(ConfigPlatformProbe tests/e2e/config/ConfigPlatformProbe.cpp src/config/win32/ConfigPlatformWin32.cpp)
target_include_directories(ConfigPlatformProbe PRIVATE src)
target_compile_options(ConfigPlatformProbe PRIVATE ${BRISKLET_WARNINGS})
target_compile_definitions(ConfigPlatformProbe PRIVATE ${BRISKLET_WIN32_DEFINITIONS})
