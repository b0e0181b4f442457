# One interface target carries the strict flags; every target of the project links it.
add_library(vornic_options INTERFACE)
target_compile_definitions(vornic_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_USE_QSTRINGBUILDER
    QT_NO_KEYWORDS)
target_compile_options(vornic_options INTERFACE -Wall -Wextra -pedantic -Wshadow -Wconversion
    -Wno-sign-conversion)
if(VORNIC_WERROR)
    target_compile_options(vornic_options INTERFACE -Werror)
endif()
target_include_directories(vornic_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

if(VORNIC_SANITIZE)
    target_compile_options(vornic_options INTERFACE -fsanitize=address,undefined
        -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(vornic_options INTERFACE -fsanitize=address,undefined)
endif()

if(VORNIC_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "VORNIC_FUZZ needs clang (libFuzzer): configure with CXX=clang++")
    endif()
    # Every library gets the coverage hooks; only the fuzz targets link libFuzzer's main.
    target_compile_options(vornic_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
