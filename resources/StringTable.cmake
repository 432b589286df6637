# Turns strings.rc into an include file of {number, "text"} initialisers.
# Usage: cmake -DINPUT=strings.rc -DOUTPUT=StringTableData.inc -P StringTable.cmake
file(STRINGS "${INPUT}" lines)
set(body "// Generated from strings.rc; do not edit.\n")
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*([0-9]+)[ \t]*,[ \t]*(\".*\")[ \t]*$")
        string(APPEND body "{${CMAKE_MATCH_1}, ${CMAKE_MATCH_2}},\n")
    endif()
endforeach()
file(WRITE "${OUTPUT}.tmp" "${body}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
