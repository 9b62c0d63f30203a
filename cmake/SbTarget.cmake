# Shared compile settings: warnings, sanitizers, visibility.
add_library(sb_options INTERFACE)
target_compile_options(sb_options INTERFACE
  -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wsuggest-override
  $<$<BOOL:${SB_WERROR}>:-Werror>
  # Unique symbols of the standard library's templates would keep a module from ever unloading.
  -fno-gnu-unique)
target_include_directories(sb_options INTERFACE ${CMAKE_SOURCE_DIR}/public ${CMAKE_SOURCE_DIR})
if(SB_SANITIZE)
  target_compile_options(sb_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                               -fno-sanitize-recover=undefined)
  target_link_options(sb_options INTERFACE -fsanitize=address,undefined)
endif()

# A shared library loaded by name: no "lib" prefix, only its C entry points exported, bound to its
# own symbols first (several binaries export CreateInterface).
function(sb_add_module name)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden
                                           VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(${name} PRIVATE -Wl,-Bsymbolic -Wl,--no-undefined)
  target_link_libraries(${name} PRIVATE sb_options)
endfunction()

# One GoogleTest executable registered with CTest; tests run in a scratch environment.
function(sb_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE sb_options ${T_LIBS} GTest::gtest GTest::gmock sb_test_main)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "TZ=UTC;LC_ALL=C.UTF-8;SDL_AUDIODRIVER=dummy;PLEXA_ACTIVE_PROCESS=${CMAKE_BINARY_DIR}/testtmp/${name}/ActiveProcess.vdf;PLEXA_CLIENT_CONFIG=${CMAKE_BINARY_DIR}/testtmp/${name}/plexaclient.vdf;SB_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp/${name};SB_SOURCE_DIR=${CMAKE_SOURCE_DIR};SB_BIN_DIR=${SB_BIN_DIR}"
    TIMEOUT 300)
endfunction()

# One Google Benchmark program.
function(sb_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE sb_options ${B_LIBS} benchmark::benchmark)
endfunction()
