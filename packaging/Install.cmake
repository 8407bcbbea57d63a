# What `cmake --install` and the Debian package put on a machine. Each program's
# folder installs its own files with these helpers; Package.cmake adds the
# documents of the package and the package itself.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# A file, compressed reproducibly (gzip -9n) into the build tree at build time;
# the path of the .gz lands in the variable named by OUT.
function(mrt_gzip source out)
    get_filename_component(name ${source} NAME)
    set(plain ${CMAKE_CURRENT_BINARY_DIR}/gz/${name})
    add_custom_command(OUTPUT ${plain}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
        COMMAND gzip -9nf ${plain}
        DEPENDS ${source} VERBATIM)
    string(MAKE_C_IDENTIFIER ${name} id)
    add_custom_target(gz_${id} ALL DEPENDS ${plain}.gz)
    set(${out} ${plain}.gz PARENT_SCOPE)
endfunction()

# A manual page in section 1, e.g. mrt_install_manpage(mrt9dx-sim.1). Its .TH
# line takes the version and date from @PROJECT_VERSION@ and @MRT_RELEASE_DATE@.
function(mrt_install_manpage page)
    get_filename_component(page ${page} ABSOLUTE)
    get_filename_component(name ${page} NAME)
    file(STRINGS ${page} th LIMIT_COUNT 1)
    if(NOT th MATCHES "@MRT_RELEASE_DATE@ \"mrt9dx @PROJECT_VERSION@\"")
        message(FATAL_ERROR "${page}: its .TH line must name @MRT_RELEASE_DATE@ and \"mrt9dx @PROJECT_VERSION@\"")
    endif()
    configure_file(${page} ${CMAKE_CURRENT_BINARY_DIR}/man/${name} @ONLY)
    mrt_gzip(${CMAKE_CURRENT_BINARY_DIR}/man/${name} gz)
    install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# The program icon in the hicolor theme under the name NAME: the SVG as the
# scalable icon, and PNGs drawn from it by rsvg-convert (librsvg2-bin).
function(mrt_install_icon svg name)
    get_filename_component(svg ${svg} ABSOLUTE)
    set(apps ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(FILES ${svg} DESTINATION ${apps}/scalable/apps RENAME ${name}.svg)
    find_program(MRT_RSVG_CONVERT rsvg-convert)
    if(NOT MRT_RSVG_CONVERT)
        message(STATUS "rsvg-convert not found (librsvg2-bin): the icon is installed as SVG only")
        return()
    endif()
    set(pngs)
    foreach(size IN ITEMS 32 48 64 128 256)
        set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}/${name}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}
            COMMAND ${MRT_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
            DEPENDS ${svg} VERBATIM)
        install(FILES ${png} DESTINATION ${apps}/${size}x${size}/apps)
        list(APPEND pngs ${png})
    endforeach()
    add_custom_target(icon_${name} ALL DEPENDS ${pngs})
endfunction()
