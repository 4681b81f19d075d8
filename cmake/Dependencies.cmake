# TinyXML and GoogleTest: Debian's packages for the native build.  For the
# Windows build they are compiled here for the target from Debian's sources:
# TinyXML's source package, fetched by scripts/setup.sh into build-cache/,
# and the googletest package's /usr/src/googletest.

set(KIVO_CACHE_DIR "${PROJECT_SOURCE_DIR}/build-cache"
    CACHE PATH "Where scripts/setup.sh puts third-party sources")

# TinyXML's source folder in build-cache/, empty when it is not there.
file(GLOB KIVO_TINYXML_SOURCE_DIR LIST_DIRECTORIES true
     "${KIVO_CACHE_DIR}/tinyxml-2.6*")

# Adds the static library |name| built from TinyXML's source.
function(add_tinyxml_from_source name)
  set(dir ${KIVO_TINYXML_SOURCE_DIR})
  add_library(${name} STATIC
    ${dir}/tinyxml.cpp ${dir}/tinyxmlerror.cpp
    ${dir}/tinyxmlparser.cpp ${dir}/tinystr.cpp)
  target_compile_definitions(${name} PUBLIC TIXML_USE_STL)
  target_include_directories(${name} SYSTEM PUBLIC ${dir})
endfunction()

if(CMAKE_CROSSCOMPILING)
  if(NOT KIVO_TINYXML_SOURCE_DIR)
    message(FATAL_ERROR "TinyXML source missing: run scripts/setup.sh")
  endif()
  add_tinyxml_from_source(tinyxml)
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
