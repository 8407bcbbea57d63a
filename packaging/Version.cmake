# One version and one date for everything that shows them: the version is the
# project's (project(... VERSION)), the date is that of the change log's latest
# entry, where a release is dated once and Debian's tools read it. From these
# two come MrtVersion.h (the window title, --version, the toolkit version byte),
# the manual pages' .TH lines, the metainfo's release and the change log itself.
#
# Sets MRT_RELEASE_DATE (YYYY-MM-DD) and MRT_RELEASE_YEAR.
set(MRT_CHANGELOG ${CMAKE_CURRENT_LIST_DIR}/changelog.in)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${MRT_CHANGELOG})
file(STRINGS ${MRT_CHANGELOG} mrt_changelog_heads REGEX "^[a-z0-9][a-z0-9.+-]* \\(")
file(STRINGS ${MRT_CHANGELOG} mrt_changelog_trailers REGEX "^ -- ")
list(GET mrt_changelog_heads 0 mrt_head)
# The latest entry is the one being built: its version is the project's.
if(NOT mrt_head MATCHES "^mrt9dx \\(@PROJECT_VERSION@\\) ")
    message(FATAL_ERROR "${MRT_CHANGELOG}: the latest entry must read \"mrt9dx (@PROJECT_VERSION@) ...\", "
        "so that it carries the project version; found \"${mrt_head}\"")
endif()
list(GET mrt_changelog_trailers 0 mrt_trailer)
# " -- Name <mail>  Wed, 09 Dec 2026 18:00:00 +0000"
if(NOT mrt_trailer MATCHES ">  (Mon|Tue|Wed|Thu|Fri|Sat|Sun), ([0-9][0-9]?) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ([0-9][0-9][0-9][0-9]) [0-9][0-9]:[0-9][0-9]:[0-9][0-9] [+-][0-9][0-9][0-9][0-9]$")
    message(FATAL_ERROR "${MRT_CHANGELOG}: the latest entry's last line has no date as Debian writes it "
        "(\" -- Name <mail>  Wed, 09 Dec 2026 18:00:00 +0000\"): \"${mrt_trailer}\"")
endif()
set(mrt_day ${CMAKE_MATCH_2})
set(mrt_month_name ${CMAKE_MATCH_3})
set(MRT_RELEASE_YEAR ${CMAKE_MATCH_4})
set(mrt_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND mrt_months ${mrt_month_name} mrt_month)
math(EXPR mrt_month "${mrt_month} + 1")
foreach(part mrt_day mrt_month)
    string(LENGTH ${${part}} len)
    if(len EQUAL 1)
        set(${part} 0${${part}})
    endif()
endforeach()
set(MRT_RELEASE_DATE ${MRT_RELEASE_YEAR}-${mrt_month}-${mrt_day})
message(STATUS "mrt9dx ${PROJECT_VERSION} of ${MRT_RELEASE_DATE}")

# Where the release is published: the home page, and the screenshot that
# scripts/package makes (packaging/Screenshot.cmake) and that goes there.
set(MRT_HOMEPAGE https://mrt9dx.example.org/)
set(MRT_SCREENSHOT_URL ${MRT_HOMEPAGE}screenshots/${PROJECT_VERSION}/mrt9dx-config.png)
