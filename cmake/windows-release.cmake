# Windows releases, made on Linux from Debian's tools (included by
# windows.cmake when cross-building there):
# - the programs in the laid-out folder (`folder`, from windows.cmake) are
#   signed (tools/windows-sign.sh) when SIGN_PKCS12 is set in the build's
#   environment, and named as not signed when it is not;
# - `windows-zip`: build-windows/lumidex-app-<version>-win64.zip, that folder
#   to unzip anywhere;
# - `windows-installer`: build-windows/lumidex-app-<msi version>-x64.msi, built
#   by wixl from windows/lumidex-app.wxs (tools/windows-msi.sh), then signed
#   the same way. LUMIDEX_MSI_VERSION gives the installer another version than
#   the project's.

set(LUMIDEX_MSI_VERSION "" CACHE STRING
    "Product version of the Windows installer, up to three numbers (empty: the project's)")
set(msi_version "${LUMIDEX_MSI_VERSION}")
if(msi_version STREQUAL "")
    set(msi_version "${PROJECT_VERSION}")
endif()
get_filename_component(lumidex_tools "${CMAKE_CURRENT_LIST_DIR}/../tools" ABSOLUTE)

add_custom_command(TARGET windows-folder POST_BUILD
    COMMAND "${lumidex_tools}/windows-sign.sh" "${folder}"
    VERBATIM)

set(zip "${CMAKE_BINARY_DIR}/lumidex-app-${PROJECT_VERSION}-win64.zip")
add_custom_target(windows-zip
    COMMAND ${CMAKE_COMMAND} -E rm -f "${zip}"
    COMMAND ${CMAKE_COMMAND} -E tar cf "${zip}" --format=zip lumidex
    WORKING_DIRECTORY "${CMAKE_BINARY_DIR}"
    COMMENT "Writing ${zip}"
    VERBATIM)
add_dependencies(windows-zip windows-folder)

set(msi "${CMAKE_BINARY_DIR}/lumidex-app-${msi_version}-x64.msi")
add_custom_target(windows-installer
    COMMAND "${lumidex_tools}/windows-msi.sh" "${folder}" "${msi_version}" "${msi}"
    COMMAND "${lumidex_tools}/windows-sign.sh" "${msi}"
    COMMENT "Building ${msi}"
    VERBATIM)
add_dependencies(windows-installer windows-folder)
