# SPDX-License-Identifier: GPL-3.0-or-later
# Read by cpack when it makes the package (CPACK_PROJECT_CONFIG_FILE): the Debian revision is
# that of the source tree as it is now, not as it was when the build was configured.
include(${CMAKE_CURRENT_LIST_DIR}/debrevision.cmake)
talvor_debian_revision(${CPACK_TALVOR_SOURCE_DIR} CPACK_DEBIAN_PACKAGE_RELEASE)
