# Writes a C++ source that holds a file's bytes, run as
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=symbol -P embed_file.cmake
# It defines `const unsigned char NAME[]` and `const unsigned long NAME_size`.
# A byte array, since the file may hold anything a raw string literal cannot.
foreach(variable INPUT OUTPUT NAME)
  if(NOT ${variable})
    message(FATAL_ERROR "embed_file.cmake needs -D${variable}=...")
  endif()
endforeach()
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
# Twenty bytes a line keeps the source readable and the compiler quick.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){20})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
     "// Generated from ${INPUT} by cmake/embed_file.cmake; do not edit.\n"
     "extern const unsigned char ${NAME}[];\n"
     "extern const unsigned long ${NAME}_size;\n"
     "const unsigned char ${NAME}[] = {\n${bytes}0};\n"
     "const unsigned long ${NAME}_size = ${size};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
