# Unit tests beside the code they test, and the end-to-end harness that runs
# the real starter as a black box.  The harness is a native program; for the
# Windows build it drives kivo.exe through Wine.

add_executable(kivo_unittests
  testing/test_main.cc
  installdir/installdir_test.cc
  log/log_file_test.cc
  log/log_test.cc
  platform/command_line_test.cc
  platform/platform_test.cc
  starter/starter_test.cc)
target_link_libraries(kivo_unittests PRIVATE kivo_core GTest::gtest standard_settings)
if(WIN32)
  target_link_options(kivo_unittests PRIVATE -static)
  add_library(kivo_planted SHARED testing/planted_dll.cc)
  set_target_properties(kivo_planted PROPERTIES PREFIX "")
  target_link_options(kivo_planted PRIVATE -static)
  add_dependencies(kivo_unittests kivo_planted)
endif()

# The stand-in target: records what it was started with.
add_executable(fake_app e2e/fake_app.cc)
target_link_libraries(fake_app PRIVATE standard_settings)
if(WIN32)
  target_link_options(fake_app PRIVATE -static -municode)
  # Holds a file open without sharing, as a running old version would.
  add_executable(hold_file e2e/hold_file.cc)
  target_link_options(hold_file PRIVATE -static -municode)
endif()

if(CMAKE_CROSSCOMPILING)
  add_test(NAME unittests COMMAND kivo_unittests)
  # Static checks of kivo.exe itself: imports, manifest, resources, stamps.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
    set(pe_arch x86_64)
  else()
    set(pe_arch i686)
  endif()
  add_test(NAME pe_check COMMAND
    ${PROJECT_SOURCE_DIR}/scripts/check-pe.sh $<TARGET_FILE:kivo> ${pe_arch})
  set(KIVO_E2E_HARNESS "" CACHE FILEPATH "The native end-to-end harness")
  if(KIVO_E2E_HARNESS)
    add_test(NAME e2e_wine COMMAND ${KIVO_E2E_HARNESS})
    set_tests_properties(e2e_wine PROPERTIES ENVIRONMENT
      "KIVO_E2E_STARTER=$<TARGET_FILE:kivo>;KIVO_E2E_APP=$<TARGET_FILE:fake_app>;KIVO_E2E_HOLDER=$<TARGET_FILE:hold_file>;KIVO_E2E_LAUNCHER=${PROJECT_SOURCE_DIR}/scripts/wine.sh")
  endif()
else()
  include(GoogleTest)
  gtest_discover_tests(kivo_unittests DISCOVERY_MODE PRE_TEST)

  add_executable(kivo_e2e_tests testing/test_main.cc e2e/e2e_test.cc)
  target_include_directories(kivo_e2e_tests PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(kivo_e2e_tests PRIVATE GTest::gtest standard_settings)
  add_test(NAME e2e COMMAND kivo_e2e_tests)
  set_tests_properties(e2e PROPERTIES ENVIRONMENT
    "KIVO_E2E_STARTER=$<TARGET_FILE:kivo>;KIVO_E2E_APP=$<TARGET_FILE:fake_app>")
endif()
