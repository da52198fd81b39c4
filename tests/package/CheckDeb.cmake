# Builds the Debian package from the build tree and checks that it holds the programs, the udev rule, the
# desktop entry and the icon, and that it declares its libraries and the CJK font.
# cmake -DBUILD_DIR=<build tree> -DOUT_DIR=<scratch folder> -P CheckDeb.cmake
file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND cpack -G DEB -B ${OUT_DIR} WORKING_DIRECTORY ${BUILD_DIR}
                RESULT_VARIABLE packed OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT packed EQUAL 0)
    message(FATAL_ERROR "cpack failed:\n${log}")
endif()
file(GLOB debs ${OUT_DIR}/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package in ${OUT_DIR}, found: ${debs}")
endif()

execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE contents RESULT_VARIABLE listed)
if(NOT listed EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -c failed on ${debs}")
endif()
foreach(path ./usr/bin/selvano ./usr/bin/selvano-ctl ./usr/lib/udev/rules.d/70-selvano.rules
             ./usr/share/applications/selvano.desktop ./usr/share/icons/hicolor/scalable/apps/selvano.svg)
    string(FIND "${contents}" " ${path}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${path} is not in the package:\n${contents}")
    endif()
endforeach()

execute_process(COMMAND dpkg-deb -f ${debs} Depends OUTPUT_VARIABLE depends)
foreach(needed libqt6widgets6 libhidapi-hidraw0 libudev1 fonts-wqy-microhei)
    string(FIND "${depends}" "${needed}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "Depends does not name ${needed}: ${depends}")
    endif()
endforeach()
message(STATUS "${debs}: contents and dependencies as expected")
