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
# " -- @MRT_MAINTAINER@  Wed, 09 Dec 2026 18:00:00 +0000"
if(NOT mrt_trailer MATCHES "^ -- @MRT_MAINTAINER@  (Mon|Tue|Wed|Thu|Fri|Sat|Sun), ([0-9][0-9]?) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ([0-9][0-9][0-9][0-9]) [0-9][0-9]:[0-9][0-9]:[0-9][0-9] [+-][0-9][0-9][0-9][0-9]$")
    message(FATAL_ERROR "${MRT_CHANGELOG}: the latest entry's last line has no date as Debian writes it "
        "(\" -- @MRT_MAINTAINER@  Wed, 09 Dec 2026 18:00:00 +0000\"): \"${mrt_trailer}\"")
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

# Where the release is published and who answers for it, given when the build
# is configured (scripts/package passes them on; see the README):
#   -DMRT_HOMEPAGE=https://...            the home page (Homepage:, the metainfo)
#   -DMRT_SCREENSHOT_URL=https://...png   where the build's screenshot is published
#   -DMRT_MAINTAINER="Name <mail>"        the packages' maintainer and contact
# None has a default: an address that leads nowhere is worse than none. Left
# empty, the home page and the screenshot are left out of the packages and the
# metainfo, and the maintainer names the build as a local one under the
# reserved domain .invalid, which resolves nowhere by definition.
set(MRT_HOMEPAGE "" CACHE STRING "The home page of the programs (Homepage: and the metainfo); empty: none")
set(MRT_SCREENSHOT_URL "" CACHE STRING "The address of the published screenshot (the metainfo); empty: none")
set(MRT_MAINTAINER "" CACHE STRING "The packages' maintainer, \"Name <mail>\"; empty: a local build")
if(MRT_MAINTAINER STREQUAL "")
    set(MRT_MAINTAINER "mrt9dx local build <local-build@mrt9dx.invalid>")
elseif(NOT MRT_MAINTAINER MATCHES "^[^<>,]+ <[^<>@ ]+@[^<>@ ]+>$")
    message(FATAL_ERROR "MRT_MAINTAINER must read \"Name <mail>\", not \"${MRT_MAINTAINER}\"")
endif()
foreach(url MRT_HOMEPAGE MRT_SCREENSHOT_URL)
    if(NOT ${url} STREQUAL "" AND NOT ${url} MATCHES "^https?://[^ <>&\"]+$")
        message(FATAL_ERROR "${url} must be an http or https address, not \"${${url}}\"")
    endif()
endforeach()
message(STATUS "mrt9dx maintainer: ${MRT_MAINTAINER}; home page: ${MRT_HOMEPAGE}; screenshot: ${MRT_SCREENSHOT_URL}")
# The metainfo's elements that name them, or nothing (a blank line).
set(MRT_METAINFO_HOMEPAGE "")
if(MRT_HOMEPAGE)
    set(MRT_METAINFO_HOMEPAGE "<url type=\"homepage\">${MRT_HOMEPAGE}</url>")
endif()
set(MRT_METAINFO_SCREENSHOTS "")
if(MRT_SCREENSHOT_URL)
    set(MRT_METAINFO_SCREENSHOTS "<screenshots>
    <screenshot type=\"default\">
      <caption>The window reading a transmitter</caption>
      <image type=\"source\">${MRT_SCREENSHOT_URL}</image>
    </screenshot>
  </screenshots>")
endif()
# The copyright's Upstream-Contact: line with its line end, so that the line of
# the template stays the blank one that ends the header; or nothing.
set(MRT_UPSTREAM_CONTACT "")
if(NOT MRT_MAINTAINER MATCHES "\\.invalid>$")
    set(MRT_UPSTREAM_CONTACT "Upstream-Contact: ${MRT_MAINTAINER}\n")
endif()
