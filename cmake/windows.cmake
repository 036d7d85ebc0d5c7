# Windows builds: the DLLs a program needs at run time, the folder one could
# hand to a Windows user, and (when cross-building on Linux) running the test
# programs under Wine.

# Qt's DLLs and plugins, and the compiler's own run-time DLLs.
set(lumidex_qt_bin_dir "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
set(lumidex_qt_plugin_dir "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}")
set(lumidex_compiler_dlls "")
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
        get_filename_component(dll_path "${dll_path}" ABSOLUTE)
        if(NOT EXISTS "${dll_path}")
            message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll}")
        endif()
        list(APPEND lumidex_compiler_dlls "${dll_path}")
    endforeach()
endif()

# `windows-folder`: lumidex-app.exe and lumidex-send.exe with everything they
# need beside them,
# stripped, in build-windows/lumidex/. Qt finds plugins in the executable's own
# folder, so no qt.conf is needed.
set(folder "${CMAKE_BINARY_DIR}/lumidex")
set(dlls ${lumidex_compiler_dlls})
foreach(module Core Gui Widgets)
    list(APPEND dlls "${lumidex_qt_bin_dir}/Qt6${module}.dll")
endforeach()
set(plugins platforms/qwindows.dll styles/qwindowsvistastyle.dll)
set(copy_plugins "")
set(laid_out "${folder}/$<TARGET_FILE_NAME:lumidex-app>" "${folder}/$<TARGET_FILE_NAME:lumidex-send>")
foreach(dll ${dlls})
    get_filename_component(name "${dll}" NAME)
    list(APPEND laid_out "${folder}/${name}")
endforeach()
foreach(plugin ${plugins})
    get_filename_component(dir "${plugin}" DIRECTORY)
    list(APPEND copy_plugins COMMAND ${CMAKE_COMMAND} -E copy
         "${lumidex_qt_plugin_dir}/${plugin}" "${folder}/${dir}")
    list(APPEND laid_out "${folder}/${plugin}")
endforeach()
add_custom_target(windows-folder
    COMMAND ${CMAKE_COMMAND} -E rm -rf "${folder}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}/platforms" "${folder}/styles"
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:lumidex-app> $<TARGET_FILE:lumidex-send> ${dlls}
            "${folder}"
    ${copy_plugins}
    COMMAND ${CMAKE_STRIP} --strip-unneeded ${laid_out}
    DEPENDS lumidex-app lumidex-send
    COMMENT "Laying out ${folder}"
    VERBATIM)

# Cross-built on Linux: CTest runs each test program under Wine (see
# tools/wine-run.sh for what the tests get from it).
if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(wine_dll_dirs "${lumidex_qt_bin_dir}")
    foreach(dll ${lumidex_compiler_dlls})
        get_filename_component(dir "${dll}" DIRECTORY)
        list(APPEND wine_dll_dirs "${dir}")
    endforeach()
    list(REMOVE_DUPLICATES wine_dll_dirs)
    list(JOIN wine_dll_dirs ":" wine_dll_path)
    get_filename_component(wine_run "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh" ABSOLUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${wine_run}" "--dll-path=${wine_dll_path}")
    # The same, as one command for Linux programs that run Windows ones.
    file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/wine-run"
         CONTENT "#!/bin/sh\nexec '${wine_run}' '--dll-path=${wine_dll_path}' \"$@\"\n"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                          WORLD_READ WORLD_EXECUTE)
endif()

# The zip, the installer and signing, made with Debian's tools.
if(CMAKE_HOST_UNIX)
    include(${CMAKE_CURRENT_LIST_DIR}/windows-release.cmake)
endif()
