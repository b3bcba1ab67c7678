# The program is built as one static library per folder, and each library sees the headers of
# the layers below it only: app -> windows, effects -> music -> platform; windows -> platform;
# the built-in synthesizer (platform/synth) -> platform.
#
# A library's headers are reached through an include root of its own in the build tree that
# holds a link to every header of its source list and nothing else, e.g.
# <build>/layers/zelphor_music/music/Tone.h -> <source>/music/Tone.h. A target's include path
# holds its own root and the roots of the libraries it links, so `#include "app/Session.h"`
# from music/ fails to compile: no root on music's path has an app/ folder. A header that is
# not in its folder's source list cannot be included from anywhere.

# zelphor_layer(<target> FOLDER <folder under the source root> SOURCES <files...>)
#   Adds the static library <target> built from SOURCES (paths relative to the calling
#   folder) and its include root. Link the layers below with target_link_libraries: PUBLIC
#   when the library's own headers include theirs, PRIVATE otherwise.
function(zelphor_layer target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "FOLDER" "SOURCES")
    if(NOT arg_FOLDER OR NOT arg_SOURCES OR arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "zelphor_layer(${target} FOLDER <folder> SOURCES <files...>)")
    endif()
    add_library(${target} STATIC ${arg_SOURCES})

    # Staged anew at every configure run, so a header taken off the list is gone from it too.
    set(root ${PROJECT_BINARY_DIR}/layers/${target})
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root}/${arg_FOLDER})
    foreach(file IN LISTS arg_SOURCES)
        if(file MATCHES "\\.h$")
            if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${file})
                message(FATAL_ERROR "${arg_FOLDER}/${file}: listed but not found")
            endif()
            get_filename_component(dir ${root}/${arg_FOLDER}/${file} DIRECTORY)
            file(MAKE_DIRECTORY ${dir})
            file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${file} ${root}/${arg_FOLDER}/${file}
                 SYMBOLIC)
        endif()
    endforeach()
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PRIVATE zelphor_warnings zelphor_sanitize)
endfunction()
