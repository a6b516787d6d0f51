# SPDX-License-Identifier: GPL-3.0-or-later
# The program's identity on the desktop, and its icon: one drawing, rendered by rsvg-convert
# (librsvg2-bin) into PNGs of the icon theme's usual sizes. The PNGs serve both the icon theme and
# the window, so the program needs no SVG image plugin at run time.
set(TALVOR_APP_ID org.talvortester.talvortester)
set(TALVOR_ICON_SVG ${CMAKE_CURRENT_LIST_DIR}/${TALVOR_APP_ID}.svg)
set(TALVOR_ICON_DIR ${PROJECT_BINARY_DIR}/icons)
set(TALVOR_ICON_SIZES 16 24 32 48 64 128 256)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

# Gives the executable TARGET the icon as its window icon (resource folder ":/icon", one PNG for
# each size) and its desktop entry's id as TALVOR_APP_ID.
function(talvor_add_window_icon target)
    set(pngs)
    foreach(size IN LISTS TALVOR_ICON_SIZES)
        set(dir ${TALVOR_ICON_DIR}/${size}x${size}/apps)
        set(png ${dir}/${TALVOR_APP_ID}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png}
                    ${TALVOR_ICON_SVG}
            DEPENDS ${TALVOR_ICON_SVG}
            VERBATIM)
        set_source_files_properties(${png} PROPERTIES QT_RESOURCE_ALIAS ${size}.png)
        list(APPEND pngs ${png})
    endforeach()
    qt_add_resources(${target} talvor_icon PREFIX /icon FILES ${pngs})
    target_compile_definitions(${target} PRIVATE TALVOR_APP_ID="${TALVOR_APP_ID}")
endfunction()
