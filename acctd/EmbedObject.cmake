# Writes the bytes of INPUT as a C++ array into OUTPUT: the counting program
# is part of the daemon's binary, so nothing is compiled where it runs.
# Usage: cmake -DINPUT=file.o -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedObject.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    "
       bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
"// Generated from the counting program's object file; do not edit.
#include <cstddef>

namespace trovik {
extern const unsigned char ${SYMBOL}[];
extern const std::size_t ${SYMBOL}Size;
alignas(8) const unsigned char ${SYMBOL}[] = {
    ${bytes}
};
const std::size_t ${SYMBOL}Size = ${size};
}  // namespace trovik
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
