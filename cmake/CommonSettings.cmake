# Compiler settings shared by every target of the project.
add_library(kestrow_common INTERFACE)
target_compile_features(kestrow_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
target_compile_definitions(kestrow_common INTERFACE QT_NO_CAST_FROM_ASCII QT_USE_QSTRINGBUILDER QT_NO_KEYWORDS)
target_compile_options(kestrow_common INTERFACE -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor)
target_include_directories(kestrow_common INTERFACE ${PROJECT_SOURCE_DIR}/src)
# The fuzz build instruments every library of ours for libFuzzer's coverage
# feedback and checks it with the same sanitizers as the sanitize build; only
# the fuzz executables link libFuzzer itself (fuzz/CMakeLists.txt).
if(KESTROW_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "KESTROW_FUZZ needs clang (configure with CC=clang-14 CXX=clang++-14)")
    endif()
    set(KESTROW_SANITIZE ON)
    target_compile_options(kestrow_common INTERFACE -fsanitize=fuzzer-no-link)
endif()
# Run-time options (leak checking, halting on the first report) come from the
# environment: see the sanitize and fuzz targets of the Makefile.
if(KESTROW_SANITIZE)
    target_compile_options(kestrow_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(kestrow_common INTERFACE -fsanitize=address,undefined)
endif()
