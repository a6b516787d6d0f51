# SPDX-License-Identifier: GPL-3.0-or-later
# The program's version and licence notice as a header, talvorversion.h, for the --version of
# talvor-tester and talvor-sim: link talvor_version.
set(TALVOR_VERSION_DIR ${PROJECT_BINARY_DIR}/version)
configure_file(${CMAKE_CURRENT_LIST_DIR}/talvorversion.h.in ${TALVOR_VERSION_DIR}/talvorversion.h
               @ONLY)
add_library(talvor_version INTERFACE)
target_include_directories(talvor_version INTERFACE ${TALVOR_VERSION_DIR})
