# The Windows build (scripts/windows): mrt9dx-config is a window program, and
# both programs carry the version in their resources, the window the program's
# icon as well, drawn from its SVG by rsvg-convert and packed by ImageMagick.
set_target_properties(mrt9dx-config PROPERTIES WIN32_EXECUTABLE ON)

find_program(MRT_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(MRT_CONVERT convert REQUIRED)
set(mrt_win ${CMAKE_BINARY_DIR}/windows)
set(MRT_WINDOWS_ICON ${mrt_win}/mrt9dx-config.ico)
set(mrt_svg ${PROJECT_SOURCE_DIR}/app/mrt9dx-config.svg)
set(mrt_icon_steps)
set(mrt_icon_pngs)
foreach(size IN ITEMS 16 24 32 48 64 256)
    list(APPEND mrt_icon_steps COMMAND ${MRT_RSVG_CONVERT} -w ${size} -h ${size} -o ${mrt_win}/icon-${size}.png ${mrt_svg})
    list(APPEND mrt_icon_pngs ${mrt_win}/icon-${size}.png)
endforeach()
add_custom_command(OUTPUT ${MRT_WINDOWS_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${mrt_win}
    ${mrt_icon_steps}
    COMMAND ${MRT_CONVERT} ${mrt_icon_pngs} ${MRT_WINDOWS_ICON}
    DEPENDS ${mrt_svg} VERBATIM)
# The window is built in another folder, which sees the icon's rule only
# through a target of its own.
add_custom_target(mrt_windows_icon DEPENDS ${MRT_WINDOWS_ICON})
add_dependencies(mrt9dx-config mrt_windows_icon)

# The resource script of program NAME, described as DESCRIPTION; ICON, when
# given, becomes its icon.
function(mrt_windows_resources name description)
    set(MRT_RC_NAME ${name})
    set(MRT_RC_DESCRIPTION ${description})
    set(MRT_RC_ICON "")
    if(ARGN)
        set(MRT_RC_ICON "1 ICON \"${ARGN}\"")
    endif()
    set(rc ${mrt_win}/${name}.rc)
    configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/program.rc.in ${rc} @ONLY)
    target_sources(${name} PRIVATE ${rc})
    if(ARGN)
        set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${ARGN})
    endif()
endfunction()
mrt_windows_resources(mrt9dx-config "MRT9-DX Configuration & Calibration" ${MRT_WINDOWS_ICON})
mrt_windows_resources(mrt9dx-cli "MRT9-DX command-line companion")

# The version for the installer (packaging/windows/mrt9dx.nsi).
file(WRITE ${mrt_win}/version.nsh "!define VERSION \"${PROJECT_VERSION}\"\n")
