# Warnings are errors in our own code; third-party headers come in as SYSTEM.
function(kavitro_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  # From GCC 12 on, the warnings that follow values through inlined code
  # report impossible overlaps and overflows inside the standard library at
  # -O2/-O3 (GCC bugs 105329, 106199: "x" + std::string, vector::resize and
  # vector::assign).
  # They would stop every optimised build, so there they stay warnings; the
  # Debug build keeps them as errors.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
    set(relaxed -Wno-error=restrict -Wno-error=stringop-overflow -Wno-error=stringop-overread
                -Wno-error=array-bounds -Wno-error=aggressive-loop-optimizations)
    target_compile_options(${target} PRIVATE "$<$<NOT:$<CONFIG:Debug>>:${relaxed}>")
  endif()
endfunction()

# A unit-test executable of one layer, registered with CTest.
# Qt-based tests run without a display.
function(kavitro_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  kavitro_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE KAVITRO_SHARE_DIR="${KAVITRO_SHARE_DIR}"
                                            KAVITRO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
