# The metainfo's screenshot, made by the build: the built mrt9dx-config against
# the built mrt9dx-sim on a virtual X server. scripts/package turns it on; it
# goes into the documents of the package mrt9dx, to be published at the address
# MRT_SCREENSHOT_URL that the metainfo names.
option(MRT_PACKAGE_SCREENSHOT "Make the metainfo's screenshot under Xvfb and pack it" OFF)
if(MRT_PACKAGE_SCREENSHOT)
    find_program(MRT_XVFB_RUN xvfb-run REQUIRED)
    set(shot ${CMAKE_BINARY_DIR}/packaging/mrt9dx-config.png)
    add_custom_command(OUTPUT ${shot}
        COMMAND ${MRT_XVFB_RUN} -a -s "-screen 0 1024x768x24 -nolisten tcp"
            ${CMAKE_CURRENT_LIST_DIR}/screenshot.sh $<TARGET_FILE:mrt9dx-config> $<TARGET_FILE:mrt9dx-sim> ${shot}
        DEPENDS mrt9dx-config mrt9dx-sim ${CMAKE_CURRENT_LIST_DIR}/screenshot.sh
        COMMENT "Screenshot of mrt9dx-config against mrt9dx-sim" VERBATIM)
    add_custom_target(screenshot ALL DEPENDS ${shot})
    install(FILES ${shot} DESTINATION ${MRT_DOCDIR} COMPONENT window)
endif()
