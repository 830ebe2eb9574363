# Writes the bytes of IN as a C++ array named SYMBOL into OUT (run with cmake -P).
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" len)
math(EXPR size "${len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" body "${body}")
file(WRITE "${OUT}" "extern const unsigned char ${SYMBOL}[];\nextern const unsigned long ${SYMBOL}_size;\nconst unsigned char ${SYMBOL}[] = {\n${body}0};\nconst unsigned long ${SYMBOL}_size = ${size}UL;\n")
