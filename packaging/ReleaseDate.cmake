# TONALYX_RELEASE_DATE (YYYY-MM-DD) for the man pages and the AppStream release: the date of the
# newest debian/changelog entry when that entry is this version's, else the last commit's date.
# dpkg-buildpackage dates the build by the same changelog entry.
set(changelog ${PROJECT_SOURCE_DIR}/debian/changelog)
set(TONALYX_RELEASE_DATE "")
if(EXISTS ${changelog})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
    file(STRINGS ${changelog} heading LIMIT_COUNT 1 REGEX "^[a-z0-9][a-z0-9.+-]* \\(")
    file(STRINGS ${changelog} trailer LIMIT_COUNT 1 REGEX "^ -- ")
    string(REGEX MATCH "\\(([^)-]+)" _ "${heading}")
    set(changelog_version ${CMAKE_MATCH_1})
    if(NOT changelog_version STREQUAL PROJECT_VERSION)
        message(WARNING "debian/changelog's newest entry is version '${changelog_version}', the "
                        "project is ${PROJECT_VERSION}: the release date is the last commit's")
    elseif(trailer MATCHES ">  [A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
        set(day ${CMAKE_MATCH_1})
        set(year ${CMAKE_MATCH_3})
        set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
        list(FIND months ${CMAKE_MATCH_2} month)
        if(month GREATER_EQUAL 0)
            math(EXPR month "${month} + 1")
            string(REGEX REPLACE "^([0-9])$" "0\\1" month ${month})
            string(REGEX REPLACE "^([0-9])$" "0\\1" day ${day})
            set(TONALYX_RELEASE_DATE ${year}-${month}-${day})
        endif()
    else()
        message(WARNING "debian/changelog's newest trailer line has no date: '${trailer}'")
    endif()
endif()
if(NOT TONALYX_RELEASE_DATE)
    find_package(Git QUIET)
    if(Git_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%cs
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE TONALYX_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
                        ERROR_QUIET)
    endif()
endif()
if(NOT TONALYX_RELEASE_DATE MATCHES "^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$")
    message(FATAL_ERROR "No release date: debian/changelog names no date for ${PROJECT_VERSION} "
                        "and the sources are not a git checkout")
endif()
message(STATUS "Release date: ${TONALYX_RELEASE_DATE}")
