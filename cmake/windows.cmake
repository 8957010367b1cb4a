# Targets of the Windows builds, the 32-bit program users get and its 64-bit
# twin: the program, its end-to-end variant and the test programs that run
# under Wine.
#
set(TORVEX_WIN32_SOURCES
  app/main.cpp
  app/main_window.cpp
  app/commands.cpp
  app/system_library.cpp
  window/window_conventions_win32.cpp
  volume/volume_win32.cpp
  resources/torvex.rc
)
# Only KnownDLLs, which the loader takes from the system folder alone; the common controls and
# the file dialog are loaded from there by full path (app/system_library.h).
set(TORVEX_WIN32_LIBS torvex_logic gdi32 user32 kernel32)
# The resource script names these files, which CMake's scan of its #includes does not see.
set_source_files_properties(resources/torvex.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/resources/torvex.ico;${PROJECT_SOURCE_DIR}/resources/torvex.manifest")

# The release program.
add_executable(torvex WIN32 ${TORVEX_WIN32_SOURCES} volume/geometry_win32.cpp)
torvex_target(torvex)
target_link_libraries(torvex PRIVATE ${TORVEX_WIN32_LIBS})

# The same program with one difference: the drive geometry may come from the
# TORVEX_GEOMETRY environment variable, because Wine has no geometry call for
# an image-backed drive. The end-to-end tests and the demo use it.
add_executable(torvex-e2e WIN32 ${TORVEX_WIN32_SOURCES} volume/geometry_win32.cpp)
torvex_target(torvex-e2e)
target_compile_definitions(torvex-e2e PRIVATE TORVEX_GEOMETRY_FROM_ENVIRONMENT)
target_link_libraries(torvex-e2e PRIVATE ${TORVEX_WIN32_LIBS})

# Each program users or tests run is one GUI file, PE32 or PE32+ as the build's processor, that
# imports only KnownDLLs.
foreach(program torvex torvex-e2e)
  add_test(NAME pe.${program} COMMAND ${PROJECT_SOURCE_DIR}/tests/check-pe.sh
    $<TARGET_FILE:${program}> ${CMAKE_SYSTEM_PROCESSOR})
endforeach()

# The release zip (scripts/package.sh) holds the 32-bit program; it fails unless torvex.exe built
# once more from a copy of the sources in another folder is the same, byte for byte. It compiles
# on every core.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_test(NAME package.reproducible COMMAND env TORVEX_BUILD=${CMAKE_BINARY_DIR}
    ${PROJECT_SOURCE_DIR}/scripts/package.sh)
  set_tests_properties(package.reproducible PROPERTIES RUN_SERIAL TRUE)
endif()

# The benchmark's driver and its bare program, built only by bench/bench.sh, which runs them by
# hand: never a test's.
add_executable(torvex_bench EXCLUDE_FROM_ALL bench/bench.cpp)
torvex_target(torvex_bench)
target_link_libraries(torvex_bench PRIVATE psapi ntdll user32)
add_executable(torvex_bench_bare WIN32 EXCLUDE_FROM_ALL bench/bare.cpp volume/volume_win32.cpp
  window/window_conventions_win32.cpp)
torvex_target(torvex_bench_bare)
target_link_libraries(torvex_bench_bare PRIVATE torvex_logic user32 kernel32)

# The driver of the headless demo (scripts/run.sh without a display), built with everything else.
add_executable(torvex_demo tests/e2e/demo.cpp)
torvex_target(torvex_demo)
target_link_libraries(torvex_demo PRIVATE user32)

# End-to-end: a Win32 driver starts torvex.exe on an Xvfb display and checks
# the running window from outside, through messages.
file(GLOB TORVEX_E2E_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/*.cpp)
list(REMOVE_ITEM TORVEX_E2E_SOURCES ${PROJECT_SOURCE_DIR}/tests/e2e/demo.cpp)
add_executable(torvex_e2e_tests ${TORVEX_E2E_SOURCES})
torvex_target(torvex_e2e_tests)
target_link_libraries(torvex_e2e_tests PRIVATE GTest::gtest_main user32 gdi32)
# The rows that plant DLLs compare TORVEX's loads with those of a program that imports the same
# DLLs, makes a window and ends.
add_executable(torvex_e2e_baseline WIN32 tests/e2e/baseline/baseline.cpp)
target_link_libraries(torvex_e2e_baseline PRIVATE user32 gdi32)
add_dependencies(torvex_e2e_tests torvex torvex-e2e torvex_e2e_baseline)

# The Win32 side of the volume seam itself, under Wine: the pause between two lock attempts.
add_executable(torvex_seam_tests tests/seam/volume_win32_test.cpp
  volume/volume_win32.cpp window/window_conventions_win32.cpp)
torvex_target(torvex_seam_tests)
target_link_libraries(torvex_seam_tests PRIVATE torvex_logic GTest::gtest_main user32 kernel32)

# What follows runs this build's programs under Wine, which cannot start a 32-bit program where
# the machine runs no 32-bit programs (scripts/machine.sh asks it): there each suite is reported
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

# The unit tests with the fakes, the same sources as natively.
gtest_discover_tests(torvex_unit_tests TEST_PREFIX "win32." DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
  PROPERTIES FIXTURES_REQUIRED xvfb)

# scripts/wine-run.sh runs every test program in the build's prefix,
# wineprefix/; the tests find its drive images through TORVEX_DRIVES.
set(TORVEX_DRIVES_ENVIRONMENT "TORVEX_DRIVES=${CMAKE_BINARY_DIR}/wineprefix/drives")

# The end-to-end rows; the parameterized tests are named by their own name generators.
gtest_discover_tests(torvex_e2e_tests TEST_PREFIX "e2e." DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
  PROPERTIES FIXTURES_REQUIRED xvfb RUN_SERIAL TRUE)
# gtest_discover_tests splits a list-valued property such as ENVIRONMENT at its
# separators and keeps only the first variable, so the environment is set by a
# file that ctest reads after the discovered tests.
# The same holds for the list of fixtures: the full disk and the faulty medium
# join xvfb there, each for the rows that need it alone, so that the others run
# where it cannot be had.
set(TORVEX_E2E_ENVIRONMENT ${TORVEX_DRIVES_ENVIRONMENT}
  "TORVEX_EXE=$<TARGET_FILE:torvex>" "TORVEX_E2E_EXE=$<TARGET_FILE:torvex-e2e>"
  "TORVEX_BASELINE_EXE=$<TARGET_FILE:torvex_e2e_baseline>"
  "TORVEX_FULL_DISK=${CMAKE_BINARY_DIR}/full-disk"
  "TORVEX_FAULTY_MEDIUM=${CMAKE_BINARY_DIR}/faulty-medium")
file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/torvex_e2e_environment.cmake" CONTENT
"if(torvex_e2e_tests_TESTS)
  set_tests_properties(\${torvex_e2e_tests_TESTS} PROPERTIES ENVIRONMENT \"${TORVEX_E2E_ENVIRONMENT}\"
    FIXTURES_REQUIRED \"xvfb;links\")
  set(full_disk_tests \${torvex_e2e_tests_TESTS})
  list(FILTER full_disk_tests INCLUDE REGEX OnFullDisk)
  if(full_disk_tests)
    set_tests_properties(\${full_disk_tests} PROPERTIES FIXTURES_REQUIRED \"xvfb;links;full-disk\")
  endif()
  set(faulty_medium_tests \${torvex_e2e_tests_TESTS})
  list(FILTER faulty_medium_tests INCLUDE REGEX OnFaultyMedium)
  if(faulty_medium_tests)
    set_tests_properties(\${faulty_medium_tests} PROPERTIES FIXTURES_REQUIRED \"xvfb;links;faulty-medium\")
  endif()
endif()
")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES
  "${CMAKE_BINARY_DIR}/torvex_e2e_environment.cmake")

# The Win32 side of the volume seam.
gtest_discover_tests(torvex_seam_tests TEST_PREFIX "seam." DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
  PROPERTIES FIXTURES_REQUIRED xvfb)

# Every program run under Wine needs the fixture: it gives the prefix a fresh
# Wine server on the display (see scripts/xvfb.sh).
add_test(NAME xvfb.start COMMAND ${PROJECT_SOURCE_DIR}/scripts/xvfb.sh start ${CMAKE_BINARY_DIR})
add_test(NAME xvfb.stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/xvfb.sh stop ${CMAKE_BINARY_DIR})
set_tests_properties(xvfb.start PROPERTIES FIXTURES_SETUP xvfb)
set_tests_properties(xvfb.stop PROPERTIES FIXTURES_CLEANUP xvfb)

# What some end-to-end rows need mounted, each by its script (setup or cleanup
# BUILD_DIR), as a fixture of the rows that need it alone: without root its
# setup leaves the reason in BUILD_DIR/<name>.unavailable, and those rows report
# themselves skipped.
function(torvex_mount_fixture name)
  foreach(step setup cleanup)
    add_test(NAME ${name}.${step}
      COMMAND ${PROJECT_SOURCE_DIR}/scripts/fixtures.sh ${step} ${name} ${CMAKE_BINARY_DIR})
  endforeach()
  set_tests_properties(${name}.setup PROPERTIES FIXTURES_SETUP ${name})
  set_tests_properties(${name}.cleanup PROPERTIES FIXTURES_CLEANUP ${name})
endfunction()
# The full disk of the rows *OnFullDisk: a 16 KiB tmpfs.
torvex_mount_fixture(full-disk)
# The medium of the rows *OnFaultyMedium (drive F:), a FUSE file failing the sectors a row names.
torvex_mount_fixture(faulty-medium)
# The links some rows find in their current folder, planted from the Unix side.
torvex_mount_fixture(links)

# The README's two demos, run as a new user runs them without a display: each
# must end with the operation done and its files checked. scripts/run.sh builds
# in this folder and starts its own Wine prefix and display (demo/), so nothing
# else runs meanwhile.
# The 64-bit build's demos run its programs on any machine.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TORVEX_DEMO_BUILD TORVEX_WIN64=1)
endif()
add_test(NAME demo.read COMMAND env -u DISPLAY TORVEX_BUILD=${CMAKE_BINARY_DIR} ${TORVEX_DEMO_BUILD}
  ${PROJECT_SOURCE_DIR}/scripts/run.sh)
add_test(NAME demo.write COMMAND env -u DISPLAY TORVEX_BUILD=${CMAKE_BINARY_DIR} ${TORVEX_DEMO_BUILD}
  ${PROJECT_SOURCE_DIR}/scripts/run.sh -W)
set_tests_properties(demo.read demo.write PROPERTIES RUN_SERIAL TRUE)
