# lumidex_windows_resources(<target> "<file description>")
#
# Gives a Windows program its icon, its version information (product
# "Lumidex App", company "Lumidex", the project's version, the description
# given here) and its application manifest, from windows/program.rc.in and
# windows/program.manifest.in. Every program we ship calls it once beside its
# add_executable; elsewhere than on Windows it does nothing.

set(LUMIDEX_WINDOWS_DIR "${CMAKE_CURRENT_LIST_DIR}/../windows")
get_filename_component(LUMIDEX_WINDOWS_DIR "${LUMIDEX_WINDOWS_DIR}" ABSOLUTE)

function(lumidex_windows_resources target description)
    if(NOT WIN32)
        return()
    endif()
    # Four numbers, as the version resource and the manifest want them.
    set(numbers ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH}
                ${PROJECT_VERSION_TWEAK})
    list(LENGTH numbers count)
    while(count LESS 4)
        list(APPEND numbers 0)
        math(EXPR count "${count} + 1")
    endwhile()
    list(JOIN numbers "," LUMIDEX_RC_VERSION_COMMAS)
    list(JOIN numbers "." LUMIDEX_RC_VERSION_DOTS)
    get_target_property(LUMIDEX_RC_NAME ${target} OUTPUT_NAME)
    if(NOT LUMIDEX_RC_NAME)
        set(LUMIDEX_RC_NAME ${target})
    endif()
    set(LUMIDEX_RC_DESCRIPTION "${description}")
    set(LUMIDEX_RC_ICON "${LUMIDEX_WINDOWS_DIR}/lumidex-app.ico")
    set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources")
    set(LUMIDEX_RC_MANIFEST "${out}.manifest")
    configure_file("${LUMIDEX_WINDOWS_DIR}/program.manifest.in" "${out}.manifest" @ONLY)
    configure_file("${LUMIDEX_WINDOWS_DIR}/program.rc.in" "${out}.rc" @ONLY)
    # The resource compiler does not see the files the script names.
    set_source_files_properties("${out}.rc" PROPERTIES
        OBJECT_DEPENDS "${LUMIDEX_RC_ICON};${out}.manifest")
    target_sources(${target} PRIVATE "${out}.rc")
endfunction()
