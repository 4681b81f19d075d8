# libFuzzer targets, one per fuzz/*_fuzzer.cc.  Every target of ours is
# instrumented for coverage and built with AddressSanitizer and UBSan, so the
# core code the fuzzers call is checked as closely as the fuzzers themselves;
# only the fuzz targets get libFuzzer's main.  Run them with scripts/fuzz.sh.

if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "KIVO_FUZZ needs clang++ (use the fuzz preset)")
endif()

# Any undefined behaviour must stop the run, or libFuzzer never records it.
set(fuzz_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
target_compile_options(standard_settings INTERFACE
  -fsanitize=fuzzer-no-link ${fuzz_sanitizers} -fno-omit-frame-pointer)
target_link_options(standard_settings INTERFACE ${fuzz_sanitizers})

# Debian's TinyXML library is not instrumented, which leaves the config
# fuzzer blind inside the parser.  When scripts/setup.sh has put TinyXML's
# source into build-cache/, that source is compiled instrumented, as the
# Windows build compiles it, and takes the library's place.
if(KIVO_TINYXML_SOURCE_DIR AND NOT CMAKE_CROSSCOMPILING)
  add_tinyxml_from_source(fuzz_tinyxml)
  target_compile_options(fuzz_tinyxml PRIVATE
    -fsanitize=fuzzer-no-link ${fuzz_sanitizers} -fno-omit-frame-pointer)
  set_property(TARGET tinyxml PROPERTY INTERFACE_LINK_LIBRARIES fuzz_tinyxml)
  message(STATUS "Fuzzing TinyXML from ${KIVO_TINYXML_SOURCE_DIR}, instrumented")
else()
  message(STATUS "Fuzzing against Debian's TinyXML library, not instrumented")
endif()

file(GLOB fuzz_sources CONFIGURE_DEPENDS
     "${PROJECT_SOURCE_DIR}/fuzz/*_fuzzer.cc")
foreach(source IN LISTS fuzz_sources)
  get_filename_component(name "${source}" NAME_WE)
  add_executable(${name} "${source}")
  target_link_libraries(${name} PRIVATE kivo_core standard_settings)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endforeach()
