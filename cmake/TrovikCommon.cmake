# One interface target that every Trovik target links: language level,
# warnings and the Qt safety defines. Sanitizers come from the "asan" preset
# through TROVIK_SANITIZE.

add_library(trovik_common INTERFACE)
target_compile_features(trovik_common INTERFACE cxx_std_20)
target_compile_options(trovik_common INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wnon-virtual-dtor
  -Wcast-qual -Wformat=2 -Wimplicit-fallthrough)

# Warnings as errors: on in every preset (so scripts/test.sh and CI), off for
# a plain configure, so that a packager's compiler and flags (CMAKE_CXX_FLAGS,
# which come before these) are never overruled.
option(TROVIK_WERROR "Treat compiler warnings as errors" OFF)
if(TROVIK_WERROR)
  target_compile_options(trovik_common INTERFACE -Werror)
endif()
target_compile_definitions(trovik_common INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_KEYWORDS)

option(TROVIK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(TROVIK_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(trovik_common INTERFACE ${_san})
  target_link_options(trovik_common INTERFACE ${_san})
endif()

# Coverage instrumentation for the fuzz targets, on everything they link.
option(TROVIK_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(TROVIK_FUZZ)
  set(_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  target_compile_options(trovik_common INTERFACE ${_fuzz})
  target_link_options(trovik_common INTERFACE -fsanitize=address,undefined)
endif()

# Registers one GoogleTest executable per test area.
# OWN_MAIN: the sources bring their own main (e.g. one that makes a
# QCoreApplication first).
function(trovik_add_test name)
  cmake_parse_arguments(T "OWN_MAIN" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_OWN_MAIN)
    set(_main GTest::gtest)
  else()
    set(_main GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${_main} GTest::gmock trovik_common)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
