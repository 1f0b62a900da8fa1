# find_package(vastrelmon) gives the imported target vastrelmon::vastrelmon:
# the shared libvastrelmon and the folder of vastrelmon.h.
include("${CMAKE_CURRENT_LIST_DIR}/vastrelmonTargets.cmake")
