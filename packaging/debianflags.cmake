# SPDX-License-Identifier: GPL-3.0-or-later
# Debian's build flags, as a Debian package is built with them: dpkg-buildflags with every
# hardening feature (stack protector, _FORTIFY_SOURCE, RELRO and BIND_NOW, format checks). They
# come after the user's own flags and before those of the build type. The sanitizer build leaves
# them out (_FORTIFY_SOURCE hides faults from AddressSanitizer), and so does a cross build, whose
# compiler is not the one dpkg-buildflags describes.
if(CMAKE_CROSSCOMPILING OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(default OFF)
else()
    set(default ON)
endif()
option(TALVOR_DEBIAN_FLAGS "Build with the flags of dpkg-buildflags (hardening=+all)" ${default})
if(NOT TALVOR_DEBIAN_FLAGS OR TALVOR_SANITIZE)
    return()
endif()

find_program(DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
# Run in the source folder, so that -ffile-prefix-map writes its paths relative to it.
function(talvor_dpkg_buildflags name out)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                ${DPKG_BUILDFLAGS} --get ${name}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE flags
        OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
    set(${out} ${flags} PARENT_SCOPE)
endfunction()

talvor_dpkg_buildflags(CXXFLAGS cxxflags)
talvor_dpkg_buildflags(CPPFLAGS cppflags)
talvor_dpkg_buildflags(LDFLAGS ldflags)
string(APPEND CMAKE_CXX_FLAGS " ${cppflags} ${cxxflags}")
foreach(kind EXE SHARED MODULE)
    string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${ldflags}")
endforeach()
