# Fuzz targets under AddressSanitizer and UndefinedBehaviorSanitizer. With clang the target is
# a libFuzzer binary; with other compilers it is a seeded random loop over the same entry.
enable_testing()

set(BRISKLET_SANITIZERS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

# The runtime layer again, instrumented, so that faults inside the parser are caught where they happen.
file(GLOB BRISKLET_FUZZ_SOURCES CONFIGURE_DEPENDS src/runtime/*.cpp)
add_library(brisklet_runtime_fuzz STATIC ${BRISKLET_FUZZ_SOURCES})
target_include_directories(brisklet_runtime_fuzz PUBLIC src "${CMAKE_BINARY_DIR}/generated")
target_compile_options(brisklet_runtime_fuzz PRIVATE ${BRISKLET_SANITIZERS} -g)

add_executable(brisklet_prefs_fuzz tests/runtime/PrefsFuzz.cpp)
target_include_directories(brisklet_prefs_fuzz PRIVATE tests)
target_link_libraries(brisklet_prefs_fuzz PRIVATE brisklet_runtime_fuzz)
target_compile_options(brisklet_prefs_fuzz PRIVATE ${BRISKLET_WARNINGS} ${BRISKLET_SANITIZERS} -g)

if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_definitions(brisklet_prefs_fuzz PRIVATE BRISKLET_LIBFUZZER)
  target_compile_options(brisklet_prefs_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(brisklet_prefs_fuzz PRIVATE ${BRISKLET_SANITIZERS} -fsanitize=fuzzer)
  add_test(NAME PrefsFuzz COMMAND brisklet_prefs_fuzz -runs=200000 -max_len=4096)
else()
  target_link_options(brisklet_prefs_fuzz PRIVATE ${BRISKLET_SANITIZERS})
  add_test(NAME PrefsFuzz COMMAND brisklet_prefs_fuzz 200000)
endif()
