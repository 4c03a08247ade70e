# Writes the code page 932 decoding table that the Win32 layer compiles in,
# read off the build host's iconv program, so that every platform decodes the
# same way whatever its own C library knows (Emscripten's iconv has no CP932,
# and its SHIFT_JIS maps some pairs differently).
#
#     cmake [-DQX_ICONV=/path/to/iconv] -P cp932_table.cmake TABLE.inc UNICODES.txt
#
# TABLE.inc holds the code point of each single byte 0x80..0xFF and of each
# pair of a lead byte (0x81..0x9F, 0xE0..0xFC) and a trail byte 0x40..0xFC, 0
# where the bytes are no character. UNICODES.txt lists every code point the
# code page reaches, ASCII included, one hexadecimal number a line (the
# characters kept when fonts are cut down for a build).
#
# iconv converts the whole set in one run, each candidate on a line of its
# own, skipping what is no character (-c). A pair it rejects may leave its
# trail byte behind as a character of its own (ASCII, or one-byte katakana),
# which no pair of the code page decodes to, so such lines count as empty.

cmake_minimum_required(VERSION 3.25)

math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(CMAKE_ARGV${i} STREQUAL "-P")
    math(EXPR first "${i} + 2")
    break()
  endif()
endforeach()
math(EXPR second "${first} + 1")
if(NOT second EQUAL last)
  message(FATAL_ERROR "usage: cmake [-DQX_ICONV=iconv] -P ${CMAKE_CURRENT_LIST_FILE} TABLE.inc UNICODES.txt")
endif()
set(table_file "${CMAKE_ARGV${first}}")
set(unicodes_file "${CMAKE_ARGV${second}}")
if(NOT QX_ICONV)
  find_program(QX_ICONV iconv)
  if(NOT QX_ICONV)
    message(FATAL_ERROR "cp932_table: no iconv program found; name one with -DQX_ICONV=PATH")
  endif()
endif()

set(leads "")
foreach(b RANGE 129 159)
  list(APPEND leads ${b})
endforeach()
foreach(b RANGE 224 252)
  list(APPEND leads ${b})
endforeach()

# The candidates: every pair, then every single byte, one a line.
string(ASCII 10 nl)
# (Characters are made afresh each time: as list elements, brackets and the
# backslash would change how CMake splits the list.)
set(trail_count 189)  # 0x40..0xFC
set(input "")
foreach(l IN LISTS leads)
  string(ASCII ${l} lead)
  set(row "")
  foreach(t RANGE 64 252)
    string(ASCII ${t} c)
    string(APPEND row "${lead}${c}${nl}")
  endforeach()
  string(APPEND input "${row}")
endforeach()
foreach(b RANGE 128 255)
  string(ASCII ${b} c)
  string(APPEND input "${c}${nl}")
endforeach()

get_filename_component(scratch "${table_file}" DIRECTORY)
set(scratch "${scratch}/cp932_table.scratch")
file(WRITE "${scratch}.in" "${input}")
execute_process(COMMAND "${QX_ICONV}" -c -f CP932 -t UTF-32BE "${scratch}.in"
                OUTPUT_FILE "${scratch}.out" ERROR_VARIABLE err)
file(READ "${scratch}.out" hex HEX)
file(REMOVE "${scratch}.in" "${scratch}.out")
if(hex STREQUAL "")
  message(FATAL_ERROR "cp932_table: ${QX_ICONV} cannot convert from CP932 (${err})")
endif()

# One entry a line: the line's one code point above ASCII, or 0.
string(REGEX MATCHALL "[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f]" units "${hex}")
set(entries "")
set(line "")
foreach(u IN LISTS units)
  if(u STREQUAL "0000000a")
    list(LENGTH line n)
    set(cp 0)
    if(n EQUAL 1)
      math(EXPR cp "0x${line}")
      if(cp LESS 128 OR cp GREATER 65535)
        set(cp 0)
      endif()
    endif()
    list(APPEND entries ${cp})
    set(line "")
  else()
    list(APPEND line ${u})
  endif()
endforeach()
list(LENGTH leads lead_count)
math(EXPR pairs "${lead_count} * ${trail_count}")
list(LENGTH entries got)
math(EXPR want "${pairs} + 128")
if(NOT got EQUAL want)
  message(FATAL_ERROR "cp932_table: ${QX_ICONV} gave ${got} lines for ${pairs} pairs and 128 bytes")
endif()

# Rows of trail_count pairs, one for each lead byte, then the single bytes.
set(unicodes "")
foreach(b RANGE 32 126)
  list(APPEND unicodes ${b})
endforeach()
set(rows "")
set(row "")
set(singles "")
set(column 0)
set(lead_left ${leads})
foreach(cp IN LISTS entries)
  if(lead_left STREQUAL "")
    list(APPEND singles ${cp})
  else()
    if(cp GREATER_EQUAL 65377 AND cp LESS_EQUAL 65439)  # a one-byte katakana left behind
      set(cp 0)
    endif()
    list(APPEND row ${cp})
    math(EXPR column "${column} + 1")
    if(column EQUAL trail_count)
      list(POP_FRONT lead_left l)
      list(JOIN row ", " row_text)
      math(EXPR lh "${l}" OUTPUT_FORMAT HEXADECIMAL)
      string(APPEND rows "    {${row_text}},  // ${lh}\n")
      set(row "")
      set(column 0)
    endif()
  endif()
  if(cp)
    list(APPEND unicodes ${cp})
  endif()
endforeach()
list(JOIN singles ", " single_text)
list(REMOVE_DUPLICATES unicodes)
list(SORT unicodes COMPARE NATURAL)
set(unicode_text "")
foreach(cp IN LISTS unicodes)
  math(EXPR h "${cp}" OUTPUT_FORMAT HEXADECIMAL)
  string(APPEND unicode_text "${h}\n")
endforeach()

file(WRITE "${table_file}" "// Written by cmake/cp932_table.cmake from ${QX_ICONV}: the code points of code
// page 932, 0 where the bytes are no character.
// The single bytes 0x80..0xFF.
constexpr uint16_t kCp932Single[128] = {${single_text}};
// The pairs: a row for each lead byte 0x81..0x9F, 0xE0..0xFC, a column for
// each trail byte 0x40..0xFC.
constexpr int kCp932TrailFirst = 0x40, kCp932TrailLast = 0xFC;
constexpr uint16_t kCp932Double[${lead_count}][${trail_count}] = {
${rows}};
")
file(WRITE "${unicodes_file}" "${unicode_text}")
