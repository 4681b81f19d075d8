# TinyXML and GoogleTest: Debian's packages for the native build.  For the
# Windows build they are compiled here for the target from Debian's sources:
# TinyXML's source package, fetched by scripts/setup.sh into build-cache/,
# and the googletest package's /usr/src/googletest.

set(KIVO_CACHE_DIR "${PROJECT_SOURCE_DIR}/build-cache"
    CACHE PATH "Where scripts/setup.sh puts third-party sources")

if(CMAKE_CROSSCOMPILING)
  file(GLOB tinyxml_dir LIST_DIRECTORIES true "${KIVO_CACHE_DIR}/tinyxml-2.6*")
  if(NOT tinyxml_dir)
    message(FATAL_ERROR "TinyXML source missing: run scripts/setup.sh")
  endif()
  add_library(tinyxml STATIC
    ${tinyxml_dir}/tinyxml.cpp ${tinyxml_dir}/tinyxmlerror.cpp
    ${tinyxml_dir}/tinyxmlparser.cpp ${tinyxml_dir}/tinystr.cpp)
  target_compile_definitions(tinyxml PUBLIC TIXML_USE_STL)
  target_include_directories(tinyxml SYSTEM PUBLIC ${tinyxml_dir})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)
  add_library(tinyxml INTERFACE)
  target_link_libraries(tinyxml INTERFACE PkgConfig::TINYXML)
endif()

if(KIVO_TESTS)
  if(CMAKE_CROSSCOMPILING)
    set(googletest_dir /usr/src/googletest)
    if(NOT EXISTS ${googletest_dir}/CMakeLists.txt)
      message(FATAL_ERROR "GoogleTest source missing: run scripts/setup.sh")
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${googletest_dir} googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
  endif()
endif()
