# Settings every target of the project shares: language level and warnings.
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
add_library(moxtel_settings INTERFACE)
target_compile_features(moxtel_settings INTERFACE cxx_std_20)
set_target_properties(moxtel_settings PROPERTIES INTERFACE_CXX_EXTENSIONS OFF)
target_compile_options(moxtel_settings INTERFACE
  -Wall -Wextra -pedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast)
if(MOXTEL_WERROR)
  target_compile_options(moxtel_settings INTERFACE -Werror)
  # GCC 12 at -O3 reports overlapping copies inside std::string that cannot happen (its bug 105329);
  # the warning stays on, it just does not stop the build.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(moxtel_settings INTERFACE -Wno-error=restrict)
  endif()
endif()
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

# Sanitizers on a target of their own, reaching every target through moxtel_settings; the flags
# stay out of targets that do not ask for them (and out of what CMake's own checks compile).
add_library(moxtel_sanitizers INTERFACE)
if(MOXTEL_SANITIZE OR MOXTEL_BUILD_FUZZ)
  target_compile_options(moxtel_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(moxtel_sanitizers INTERFACE -fsanitize=address,undefined)
endif()
if(MOXTEL_SANITIZE_THREAD)
  target_compile_options(moxtel_sanitizers INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(moxtel_sanitizers INTERFACE -fsanitize=thread)
endif()
if(MOXTEL_BUILD_FUZZ)
  target_compile_options(moxtel_sanitizers INTERFACE -fsanitize=fuzzer-no-link)
endif()
target_link_libraries(moxtel_settings INTERFACE moxtel_sanitizers)
