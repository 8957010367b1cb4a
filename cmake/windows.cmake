# Targets of the Windows builds, the 32-bit program users get and its 64-bit twin: the program,
# its end-to-end variant, the test programs that run under Wine and the benchmark's.

# Only KnownDLLs, which the loader takes from the system folder alone; the common controls and the
# file dialog are loaded from there by full path (app/system_library.h).
set(TORVEX_WIN32_LIBS torvex_logic gdi32 user32 kernel32)
# The resource script names these files, which CMake's scan of its #includes does not see.
set_source_files_properties(resources/torvex.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/resources/torvex.ico;${PROJECT_SOURCE_DIR}/resources/torvex.manifest")

# The release program, and the same program but for one thing: the drive geometry may come from
# TORVEX_GEOMETRY, as Wine has no geometry call for an image-backed drive (end-to-end rows, demo).
# Each is one GUI file, PE32 or PE32+ as the build's processor, importing only KnownDLLs.
foreach(program torvex torvex-e2e)
  add_executable(${program} WIN32 app/main.cpp app/main_window.cpp app/commands.cpp
    app/system_library.cpp window/window_conventions_win32.cpp volume/volume_win32.cpp
    volume/geometry_win32.cpp resources/torvex.rc)
  torvex_target(${program})
  target_link_libraries(${program} PRIVATE ${TORVEX_WIN32_LIBS})
  add_test(NAME pe.${program} COMMAND ${PROJECT_SOURCE_DIR}/tests/check-pe.sh
    $<TARGET_FILE:${program}> ${CMAKE_SYSTEM_PROCESSOR})
endforeach()
target_compile_definitions(torvex-e2e PRIVATE TORVEX_GEOMETRY_FROM_ENVIRONMENT)

# The release zip (scripts/package.sh) holds the 32-bit program; it fails unless torvex.exe built
# once more from a copy of the sources elsewhere is the same, byte for byte. It uses every core.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_test(NAME package.reproducible COMMAND env TORVEX_BUILD=${CMAKE_BINARY_DIR}
    ${PROJECT_SOURCE_DIR}/scripts/package.sh)
  set_tests_properties(package.reproducible PROPERTIES RUN_SERIAL TRUE)
endif()

# The benchmark's driver and bare program, built only by bench/bench.sh.
add_executable(torvex_bench EXCLUDE_FROM_ALL bench/bench.cpp)
torvex_target(torvex_bench)
target_link_libraries(torvex_bench PRIVATE psapi ntdll user32)
add_executable(torvex_bench_bare WIN32 EXCLUDE_FROM_ALL bench/bare.cpp volume/volume_win32.cpp
  window/window_conventions_win32.cpp)
torvex_target(torvex_bench_bare)
target_link_libraries(torvex_bench_bare PRIVATE torvex_logic user32 kernel32)

# The end-to-end rows, their baseline program (TORVEX's load-time imports, a window) and the demo's
# driver work the real program's window from outside; the seam test runs the Win32 volume layer.
add_executable(torvex_demo tests/e2e/demo.cpp)
torvex_target(torvex_demo)
target_link_libraries(torvex_demo PRIVATE user32)
add_executable(torvex_e2e_tests tests/e2e/operation_test.cpp)
torvex_target(torvex_e2e_tests)
target_link_libraries(torvex_e2e_tests PRIVATE GTest::gtest_main user32 gdi32)
add_executable(torvex_e2e_baseline WIN32 tests/e2e/baseline/baseline.cpp)
target_link_libraries(torvex_e2e_baseline PRIVATE user32 gdi32)
add_dependencies(torvex_e2e_tests torvex torvex-e2e torvex_e2e_baseline)
add_executable(torvex_seam_tests tests/seam/volume_win32_test.cpp volume/volume_win32.cpp
  window/window_conventions_win32.cpp)
torvex_target(torvex_seam_tests)
target_link_libraries(torvex_seam_tests PRIVATE torvex_logic GTest::gtest_main user32 kernel32)

# What follows runs this build's programs under Wine, which cannot start a 32-bit program where the
# machine runs no 32-bit programs (scripts/machine.sh asks it): there each suite is reported
# skipped, with the reason.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  execute_process(COMMAND bash -c ". scripts/machine.sh && why_no_32bit"
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE TORVEX_NOT_RUN
    OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(TORVEX_NOT_RUN)
  foreach(suite win32 seam e2e demo)
    add_test(NAME ${suite}.not-run COMMAND sh -c
      "echo '${TORVEX_NOT_RUN}; the 64-bit build runs these tests'; exit 77")
    set_tests_properties(${suite}.not-run PROPERTIES SKIP_RETURN_CODE 77)
  endforeach()
  return()
endif()

# Each program run under Wine needs the display's fixture (scripts/xvfb.sh), and each end-to-end
# row the others too (scripts/fixtures.sh): where a mount cannot be had, its setup leaves the
# reason in BUILD/<name>.unavailable and the rows that need it report themselves skipped.
foreach(fixture xvfb full-disk faulty-medium links)
  foreach(step setup cleanup)
    set(script fixtures.sh ${step} ${fixture})
    if(fixture STREQUAL xvfb)
      set(script xvfb.sh ${step})
    endif()
    add_test(NAME ${fixture}.${step} COMMAND ${PROJECT_SOURCE_DIR}/scripts/${script} ${CMAKE_BINARY_DIR})
  endforeach()
  set_tests_properties(${fixture}.setup PROPERTIES FIXTURES_SETUP ${fixture})
  set_tests_properties(${fixture}.cleanup PROPERTIES FIXTURES_CLEANUP ${fixture})
endforeach()
gtest_discover_tests(torvex_unit_tests TEST_PREFIX "win32." DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
  PROPERTIES FIXTURES_REQUIRED xvfb)
gtest_discover_tests(torvex_seam_tests TEST_PREFIX "seam." DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
  PROPERTIES FIXTURES_REQUIRED xvfb)
gtest_discover_tests(torvex_e2e_tests TEST_PREFIX "e2e." DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
  PROPERTIES RUN_SERIAL TRUE)
# gtest_discover_tests keeps only the first item of a list-valued property (ENVIRONMENT,
# FIXTURES_REQUIRED), so a file that ctest reads after the discovered tests sets those.
# scripts/wine-run.sh runs every test program in the build's prefix, wineprefix/.
set(TORVEX_E2E_ENVIRONMENT "TORVEX_DRIVES=${CMAKE_BINARY_DIR}/wineprefix/drives"
  "TORVEX_EXE=$<TARGET_FILE:torvex>" "TORVEX_E2E_EXE=$<TARGET_FILE:torvex-e2e>"
  "TORVEX_BASELINE_EXE=$<TARGET_FILE:torvex_e2e_baseline>"
  "TORVEX_FULL_DISK=${CMAKE_BINARY_DIR}/full-disk"
  "TORVEX_FAULTY_MEDIUM=${CMAKE_BINARY_DIR}/faulty-medium")
file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/torvex_e2e_environment.cmake" CONTENT
"if(torvex_e2e_tests_TESTS)
  set_tests_properties(\${torvex_e2e_tests_TESTS} PROPERTIES ENVIRONMENT \"${TORVEX_E2E_ENVIRONMENT}\"
    FIXTURES_REQUIRED \"xvfb;full-disk;faulty-medium;links\")
endif()
")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES
  "${CMAKE_BINARY_DIR}/torvex_e2e_environment.cmake")

# The README's two demos, as a new user runs them without a display: each must end with the
# operation done and its files checked. scripts/run.sh builds in this folder and starts its own Wine
# prefix and display (demo/), so nothing else runs meanwhile. The 64-bit build's run on any machine.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TORVEX_DEMO_BUILD TORVEX_WIN64=1)
endif()
foreach(arguments read "write;-W")  # the name, then the arguments
  list(POP_FRONT arguments mode)
  add_test(NAME demo.${mode} COMMAND env -u DISPLAY TORVEX_BUILD=${CMAKE_BINARY_DIR}
    ${TORVEX_DEMO_BUILD} ${PROJECT_SOURCE_DIR}/scripts/run.sh ${arguments})
  set_tests_properties(demo.${mode} PROPERTIES RUN_SERIAL TRUE)
endforeach()
