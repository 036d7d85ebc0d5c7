# Which source folders a library's code can include from.
#
# Headers are included by their path from the source root
# ("protocol/txframe.h", "link/serial/posixserialport.h"), but no library gets
# the source root as its include path. Each gets a folder in the build tree
# holding links to its own source folders only, and hands that folder on to
# whatever links it. A library therefore sees the headers of the libraries it
# links and no others: an #include against the direction of use
# (protocol <- link <- ui <- app) fails to build with "No such file or
# directory", and so does one of a companion program's folder from the
# product's libraries.
#
# Where the file system cannot make links (Windows without the right to),
# the library gets the source root instead: it builds the same, unchecked;
# the Linux builds check.

# lumidex_headers(<target> <path>...): <target> and whatever links it may
# include the folders or single headers <path>, relative to the source root.
function(lumidex_headers target)
    set(root "${CMAKE_BINARY_DIR}/headers/${target}")
    set(exposed "${root}")
    foreach(path ${ARGN})
        set(source "${PROJECT_SOURCE_DIR}/${path}")
        set(link "${root}/${path}")
        set(current "")
        if(IS_SYMLINK "${link}")
            file(READ_SYMLINK "${link}" current)
        endif()
        if(NOT current STREQUAL source)
            get_filename_component(parent "${link}" DIRECTORY)
            file(MAKE_DIRECTORY "${parent}")
            file(REMOVE "${link}")
            file(CREATE_LINK "${source}" "${link}" RESULT failed SYMBOLIC)
            if(failed)
                message(STATUS "${target}: no link for ${path} (${failed}); headers unchecked")
                set(exposed "${PROJECT_SOURCE_DIR}")
            endif()
        endif()
    endforeach()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE "${exposed}")
    else()
        target_include_directories(${target} PUBLIC "${exposed}")
    endif()
endfunction()

# lumidex_platform_sources(<variable>): drops from the list in <variable> the
# files of other platforms. Files ending in _win.cpp build only on Windows,
# files ending in _posix.cpp or _latin1.cpp only elsewhere.
function(lumidex_platform_sources variable)
    set(sources ${${variable}})
    if(WIN32)
        list(FILTER sources EXCLUDE REGEX "_(posix|latin1)\\.cpp$")
    else()
        list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
    endif()
    set(${variable} ${sources} PARENT_SCOPE)
endfunction()

# lumidex_program(<target>): a program of the project, built into the top of
# the build folder (build/lumidex-app, build/lumidex-monitor), where the
# README, the tests and the packaging look for it.
function(lumidex_program target)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
    target_link_libraries(${target} PRIVATE lumidex_warnings)
endfunction()
