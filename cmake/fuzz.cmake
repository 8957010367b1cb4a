# libFuzzer targets (clang only): the platform-free logic instrumented for coverage and checked by
# AddressSanitizer and UndefinedBehaviorSanitizer; every finding stops the run with a crash file.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "TORVEX_FUZZ needs clang and clang++ (the fuzz preset chooses them)")
endif()

# clang has no code page but UTF-8 for texts: only the Japanese texts' byte lengths change.
set(TORVEX_TEXT_FLAGS "")
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)

# The fakes stand in for the volume layer and the window in every target.
add_library(torvex_fuzz_fakes OBJECT tests/fakes/fakes.cpp)
target_include_directories(torvex_fuzz_fakes PRIVATE ${PROJECT_SOURCE_DIR})
# Their coverage guides nothing, and it would slow down the filling of every fake drive.
target_compile_options(torvex_fuzz_fakes PRIVATE -fno-sanitize=fuzzer-no-link)

# One program; each target is a link to it named torvex_fuzz_<target>, by which
# it knows which function takes the input.
add_executable(torvex_fuzz tests/fuzz/fuzz_targets.cpp)
target_include_directories(torvex_fuzz PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(torvex_fuzz PRIVATE -fsanitize=fuzzer ${TORVEX_WARNINGS})
target_link_options(torvex_fuzz PRIVATE -fsanitize=fuzzer)
target_link_libraries(torvex_fuzz PRIVATE torvex_fuzz_fakes torvex_logic)
# ctest here runs each target once over its seeds (scripts/fuzz.sh does the fuzzing).
foreach(target read_operation write_operation)
  add_custom_command(TARGET torvex_fuzz POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E create_symlink torvex_fuzz torvex_fuzz_${target})
  add_test(NAME fuzz.${target}.seeds COMMAND torvex_fuzz_${target} -runs=0 -close_fd_mask=1
    ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${target} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endforeach()
