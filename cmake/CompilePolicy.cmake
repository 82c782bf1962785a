# Compile policy shared by every target of the project: C++20, warnings on,
# and the optional sanitizer build (KW_SANITIZER=address or thread).
add_library(kw_policy INTERFACE)
target_compile_features(kw_policy INTERFACE cxx_std_20)
target_compile_options(kw_policy INTERFACE -Wall -Wextra -Wpedantic)

set(KW_SANITIZER "" CACHE STRING "Build with a sanitizer: address (ASan+UBSan), thread (TSan), or empty")
set_property(CACHE KW_SANITIZER PROPERTY STRINGS "" address thread)

if(KW_SANITIZER STREQUAL "address")
    set(_kw_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(KW_SANITIZER STREQUAL "thread")
    set(_kw_sanitize_flags -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT KW_SANITIZER STREQUAL "")
    message(FATAL_ERROR "KW_SANITIZER must be address, thread or empty, not '${KW_SANITIZER}'")
endif()
if(_kw_sanitize_flags)
    target_compile_options(kw_policy INTERFACE ${_kw_sanitize_flags})
    target_link_options(kw_policy INTERFACE ${_kw_sanitize_flags})
endif()

# Fuzzing build (clang only): every target gets coverage instrumentation and
# ASan+UBSan; the fuzz targets themselves link libFuzzer's driver.
option(KW_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(KW_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "KW_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    target_compile_options(kw_policy INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(kw_policy INTERFACE -fsanitize=address,undefined)
endif()
