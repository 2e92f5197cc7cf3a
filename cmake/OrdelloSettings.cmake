# Compile settings shared by every Ordello target.
add_library(ordello_settings INTERFACE)
target_compile_features(ordello_settings INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(ordello_settings INTERFACE -Wall -Wextra)
target_compile_definitions(ordello_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_STRICT_ITERATORS
    QT_NO_KEYWORDS)
target_include_directories(ordello_settings INTERFACE
    ${PROJECT_SOURCE_DIR}
    ${PROJECT_BINARY_DIR}/generated)

# Collects the sources of the given folders (relative to the project root), leaving out EXCLUDE patterns.
function(ordello_collect_sources out)
    cmake_parse_arguments(ARG "" "" "FOLDERS;EXCLUDE" ${ARGN})
    set(found)
    foreach(folder IN LISTS ARG_FOLDERS)
        file(GLOB_RECURSE files CONFIGURE_DEPENDS
            ${PROJECT_SOURCE_DIR}/${folder}/*.cpp
            ${PROJECT_SOURCE_DIR}/${folder}/*.h)
        list(APPEND found ${files})
    endforeach()
    foreach(pattern IN LISTS ARG_EXCLUDE)
        list(FILTER found EXCLUDE REGEX "${pattern}")
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# Makes moc run again when the globbed file list of a target changes: without this a header added to
# an existing build tree is not scanned (moc's recorded dependencies list only the headers it saw) and its
# class links without a meta-object. Forgetting the timestamp makes the next build rescan.
function(ordello_watch_sources target)
    get_target_property(files ${target} SOURCES)
    list(SORT files)
    string(REPLACE ";" "\n" text "${files}")
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.txt)
    set(previous "")
    if(EXISTS ${list_file})
        file(READ ${list_file} previous)
    endif()
    if(NOT previous STREQUAL "${text}\n")
        file(WRITE ${list_file} "${text}\n")
        file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
    endif()
endfunction()
