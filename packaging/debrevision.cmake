# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian revision of the package: "1+git<time>.<commit>", the time (UTC) of the newest commit,
# so that apt takes a package built from a later commit as an upgrade. A tree with changes not yet
# committed gets the time of its newest changed file instead, and ".dirty". Without git, or
# outside a checkout, it is "1".
#   cmake -DSOURCE_DIR=DIR -P debrevision.cmake    prints the revision of the tree in DIR

# talvor_git(DIR OUT ARG...): git's output for ARG... in DIR, empty when git fails.
function(talvor_git dir out)
    execute_process(COMMAND git -C ${dir} ${ARGN}
                    OUTPUT_VARIABLE output OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(failed)
        set(output "")
    endif()
    set(${out} "${output}" PARENT_SCOPE)
endfunction()

function(talvor_debian_revision dir out)
    set(ENV{TZ} UTC)
    talvor_git(${dir} commit log -1 --format=%h)
    if(commit STREQUAL "")
        set(${out} 1 PARENT_SCOPE)
        return()
    endif()
    talvor_git(${dir} time log -1 --format=%cd --date=format-local:%Y%m%d%H%M%S)
    talvor_git(${dir} changed -c core.quotePath=false diff HEAD --name-only)
    if(changed STREQUAL "")
        set(${out} "1+git${time}.${commit}" PARENT_SCOPE)
        return()
    endif()
    # A deleted file has no time; a tree with only deletions takes the time of the build.
    string(REPLACE "\n" ";" changed "${changed}")
    set(newest "")
    foreach(file IN LISTS changed)
        file(TIMESTAMP ${dir}/${file} stamp %Y%m%d%H%M%S UTC)
        if(stamp STRGREATER newest)
            set(newest ${stamp})
        endif()
    endforeach()
    if(newest STREQUAL "")
        string(TIMESTAMP newest %Y%m%d%H%M%S UTC)
    endif()
    if(time STRGREATER newest)
        set(newest ${time})
    endif()
    set(${out} "1+git${newest}.${commit}.dirty" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    talvor_debian_revision(${SOURCE_DIR} revision)
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${revision})
endif()
