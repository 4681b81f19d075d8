# "standard_settings": warnings and sanitizer options, linked privately by
# every target of ours.

add_library(standard_settings INTERFACE)

option(KIVO_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
option(KIVO_SANITIZE "Build with AddressSanitizer and UBSan" OFF)

target_compile_options(
  standard_settings
  INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
            -Wnon-virtual-dtor -Wcast-align -Wunused -Wformat=2)
if(KIVO_WARNINGS_AS_ERRORS)
  target_compile_options(standard_settings INTERFACE -Werror)
endif()

if(KIVO_SANITIZE)
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all
                 -fno-omit-frame-pointer)
  target_compile_options(standard_settings INTERFACE ${sanitizers})
  target_link_options(standard_settings INTERFACE ${sanitizers})
endif()
