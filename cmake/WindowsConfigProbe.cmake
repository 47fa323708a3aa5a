# ConfigPlatformProbe.exe: the Windows configuration platform checked on real files, run under Wine by
# tests/e2e/run-e2e.py. It needs no Scintilla, so it builds whatever BRISKLET_TESTS says.

add_executable(ConfigPlatformProbe tests/e2e/config/ConfigPlatformProbe.cpp)
target_link_libraries(ConfigPlatformProbe PRIVATE brisklet_config)
target_compile_options(ConfigPlatformProbe PRIVATE ${BRISKLET_WARNINGS})
target_compile_definitions(ConfigPlatformProbe PRIVATE ${BRISKLET_WIN32_DEFINITIONS})
