# The fuzz target, beyond the one-file-per-behaviour unit tests.

if(ZELPHOR_FUZZ)
    add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/fuzz ${CMAKE_CURRENT_BINARY_DIR}/fuzz)
endif()
