# Turns a file into a C++ header that holds its bytes, so that a stand-in carries its data in
# itself and installs as one file.
#   cmake -DINPUT=file -DOUTPUT=header -DNAME=identifier -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REPEAT "[^,]*," 16 row)
string(REGEX REPLACE "(${row})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Made from ${INPUT} at build time; do not edit.\n"
  "#pragma once\n"
  "inline constexpr char ${NAME}[${size} + 1] = {\n    ${bytes}'\\0'};\n"
  "inline constexpr unsigned long ${NAME}Size = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
