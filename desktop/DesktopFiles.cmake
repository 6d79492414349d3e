# Writes the desktop entry and the AppStream metadata with the MIME type of every extension
# the format registry knows, as pelorama-decode --formats lists them: what the desktop offers
# to open with the viewer cannot drift from what the viewer reads.
#
#   cmake -DDECODER=... -DTABLE=mime-types.txt -DAPP_ID=... -DVERSION=...
#         -DENTRY_IN=... -DENTRY_OUT=... -DMETAINFO_IN=... -DMETAINFO_OUT=... -P DesktopFiles.cmake

# Metafiles need Qt's fonts, without a window; leak checking of a sanitized build is for the
# tests, not for the build.
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                        ASAN_OPTIONS=detect_leaks=0 ${DECODER} --formats
                OUTPUT_VARIABLE formats RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${DECODER} --formats failed: ${result}")
endif()

file(STRINGS ${TABLE} table REGEX "^[^#]")
foreach(row IN LISTS table)
    if(NOT row MATCHES "^([a-z0-9]+)[ \t]+([^ \t]+)[ \t]*$")
        message(FATAL_ERROR "${TABLE}: a row is an extension and a MIME type or -: '${row}'")
    endif()
    set(type_of_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
endforeach()

# One extension a line, then a tab and the description (which may hold anything).
string(REGEX MATCHALL "(^|\n)[^\t\n]+\t" extensions "${formats}")
set(types "")
foreach(extension IN LISTS extensions)
    string(STRIP "${extension}" extension)
    string(TOLOWER "${extension}" extension)
    if(NOT DEFINED type_of_${extension})
        message(FATAL_ERROR "The format registry knows '${extension}', ${TABLE} does not: "
                            "add its MIME type there (or - for none).")
    endif()
    if(NOT type_of_${extension} STREQUAL "-")
        list(APPEND types ${type_of_${extension}})
    endif()
endforeach()
list(REMOVE_DUPLICATES types)
if(NOT types)
    message(FATAL_ERROR "${DECODER} --formats listed no format with a MIME type")
endif()

list(JOIN types ";" MIME_TYPES)
set(MIME_TYPES "${MIME_TYPES};")
set(MEDIA_TYPES "")
foreach(type IN LISTS types)
    string(APPEND MEDIA_TYPES "    <mediatype>${type}</mediatype>\n")
endforeach()
configure_file(${ENTRY_IN} ${ENTRY_OUT} @ONLY)
configure_file(${METAINFO_IN} ${METAINFO_OUT} @ONLY)
