# Turns the MIME package and the desktop entry template into an include file of two string
# constants, so that the program can register its file type without the source tree.
# Usage: cmake -DMIME=... -DDESKTOP=... -DOUTPUT=FileTypeTemplates.inc -P FileTypeTemplates.cmake
file(READ "${MIME}" mime)
file(READ "${DESKTOP}" desktop)
set(body "// Generated from ${MIME} and ${DESKTOP}; do not edit.\n")
string(APPEND body "inline constexpr char kMimePackageTemplate[] = R\"vireo(${mime})vireo\";\n")
string(APPEND body "inline constexpr char kDesktopEntryTemplate[] = R\"vireo(${desktop})vireo\";\n")
file(WRITE "${OUTPUT}.tmp" "${body}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
