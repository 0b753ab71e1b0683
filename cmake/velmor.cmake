# Helpers shared by every folder of the build.

# velmor_add_tests(NAME <exe> LABEL <area> SOURCES ... [LIBS ...] [SERIAL])
# One GoogleTest executable, its cases registered with CTest under one area label. SERIAL runs
# its cases alone: they race real programs against the real clock, which a loaded machine loses.
function(velmor_add_tests)
  cmake_parse_arguments(T "SERIAL" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  set(serial "")
  if(T_SERIAL)
    set(serial RUN_SERIAL TRUE)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE velmor_test_support ${T_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${T_NAME}
    PROPERTIES LABELS ${T_LABEL} ${serial}
    DISCOVERY_TIMEOUT 60
    # Test names are the cases' own names, not a print of their parameters.
    NO_PRETTY_VALUES
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endfunction()

# velmor_add_fuzzer(NAME <exe> SOURCES ... [LIBS ...])
# Built only in the fuzz build; tools/dev.sh fuzz runs each for a fixed number of runs from
# tests/fuzz/corpus/<NAME>.
function(velmor_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT VELMOR_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  set_target_properties(${F_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set_property(GLOBAL APPEND PROPERTY VELMOR_FUZZERS ${F_NAME})
endfunction()
