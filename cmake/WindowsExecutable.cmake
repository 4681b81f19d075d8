# kivo.exe: GUI subsystem entered through main, statically linked, with
# manifest, icon and version information, and no time stamps, so that two
# builds of one commit give the same bytes.

enable_language(RC)

set(KIVO_FILE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set_target_properties(kivo PROPERTIES WIN32_EXECUTABLE TRUE)
configure_file(resources/kivo.manifest kivo.manifest @ONLY)
configure_file(resources/kivo.rc.in kivo.rc @ONLY)
target_sources(kivo PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/kivo.rc)
set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/kivo.rc APPEND PROPERTY
  OBJECT_DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/kivo.manifest
                 ${PROJECT_SOURCE_DIR}/resources/kivo.ico)
target_link_options(kivo PRIVATE -static -s -Wl,--no-insert-timestamp)
