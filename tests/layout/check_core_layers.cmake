# Layers point one way. Run as
#   cmake -DSOURCE_DIR=<folder holding src/ and README.md> -P check_core_layers.cmake
# Reads the README's map of the code, one row per folder of src/ with the folders it may include,
# and fails when a file includes a folder its row does not name, or when a folder has no row.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

# Rows look like: | `src/chat` | what it holds | `tournament`, `chatserver`, ... | Qt modules |
file(STRINGS "${SOURCE_DIR}/README.md" rows REGEX "^\\| `src/[a-z]+` \\|")
set(folders "")
foreach(row IN LISTS rows)
    string(REGEX REPLACE "^\\| `src/([a-z]+)` \\|.*" "\\1" folder "${row}")
    # The third cell; a cell never holds a '|' of its own.
    string(REGEX REPLACE "^\\|[^|]*\\|[^|]*\\|([^|]*)\\|.*" "\\1" cell "${row}")
    string(REGEX MATCHALL "`[a-z]+`" named "${cell}")
    string(REPLACE "`" "" named "${named}")
    set(may_include_${folder} ${folder} ${named})
    list(APPEND folders ${folder})
endforeach()

set(problems "")
file(GLOB present LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}/src" "${SOURCE_DIR}/src/*")
foreach(folder IN LISTS present)
    if(NOT IS_DIRECTORY "${SOURCE_DIR}/src/${folder}")
        continue()
    endif()
    if(NOT folder IN_LIST folders)
        list(APPEND problems "src/${folder} has no row in the README's map of the code")
        continue()
    endif()
    file(GLOB_RECURSE files "${SOURCE_DIR}/src/${folder}/*.h" "${SOURCE_DIR}/src/${folder}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([a-z]+)/([^\"]*)\".*" "\\1/\\2"
                header "${line}")
            string(REGEX REPLACE "/.*" "" included "${header}")
            if(included IN_LIST folders AND NOT included IN_LIST may_include_${folder})
                file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
                list(APPEND problems "${shown} includes ${header}: src/${folder} may not include src/${included}")
            endif()
        endforeach()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Layers must point one way:\n  ${text}")
endif()
message(STATUS "Every folder includes only the folders below it")
