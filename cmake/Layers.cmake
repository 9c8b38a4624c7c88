# daridez_layer(<folder> SOURCES <files...> [LINKS <libraries...>]): the folder as its own
# static library daridez_<folder>. It sees the headers of its own folder and of the
# libraries it links (the folders below it), and no others: its include path holds only a
# link to its own folder, so an include of a higher folder fails to compile, and a call
# into one fails to link.
function(daridez_layer folder)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LINKS" ${ARGN})
    set(name daridez_${folder})
    if(ARG_NAME)
        set(name ${ARG_NAME})
    endif()
    add_library(${name} STATIC ${ARG_SOURCES})
    set(view ${CMAKE_BINARY_DIR}/layers/${name})
    file(MAKE_DIRECTORY ${view})
    if(NOT EXISTS ${view}/${folder})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${name} PUBLIC ${view})
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()
