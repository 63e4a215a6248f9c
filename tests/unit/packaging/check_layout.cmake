# Installs the build into a fresh folder and checks it against the program folder's layout.
file(REMOVE_RECURSE ${OUT_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${OUT_DIR}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()

set(expected
    corvane corvane-kiosk CK_update.so ExeUpdate CefLib/libcef.so
    qvpz.pz chrome.pz log4me.ini
    HISUPDATE/qvprm.ini HISUPDATE/LocalConf.ini HISUPDATE/FUpdate)
foreach(file ${expected})
    if(NOT EXISTS ${OUT_DIR}/${file})
        message(FATAL_ERROR "the program folder lacks ${file}")
    endif()
endforeach()

# Every installed file lies inside the prefix: the desktop entry and the icons are the package's.
string(REGEX MATCHALL "(Installing|Up-to-date): [^\n]*" installed "${output}")
foreach(line ${installed})
    string(REGEX REPLACE "^(Installing|Up-to-date): " "" path "${line}")
    cmake_path(IS_PREFIX OUT_DIR "${path}" NORMALIZE inside)
    if(NOT inside)
        message(FATAL_ERROR "installed outside the program folder: ${path}")
    endif()
endforeach()

file(READ ${OUT_DIR}/qvpz.pz qvpz)
if(NOT qvpz MATCHES "TaxUrl=https://${PORTAL_HOST}/zjgfdzswj/main/index.html"
   OR NOT qvpz MATCHES "Server=http://${PORTAL_HOST}/zjgfdacx/app/queryVersion.do")
    message(FATAL_ERROR "qvpz.pz does not name the portal host ${PORTAL_HOST}:\n${qvpz}")
endif()
file(READ ${OUT_DIR}/HISUPDATE/qvprm.ini qvprm)
if(NOT qvprm MATCHES "\\[parms\\]" OR NOT qvprm MATCHES "version=${VERSION}")
    message(FATAL_ERROR "qvprm.ini does not carry version ${VERSION}:\n${qvprm}")
endif()
file(REMOVE_RECURSE ${OUT_DIR})
