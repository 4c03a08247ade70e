# Rewrites a UTF-8 C or C++ source so that its ordinary string and character
# literals hold code page 932 (Shift-JIS), whatever the compiler's execution
# character set: every non-ASCII character, and every \u or \U escape, inside
# such a literal becomes the octal escapes of its code page 932 bytes.
#
#     cmake [-DQX_ICONV=/path/to/iconv] -P cp932_literals.cmake IN OUT
#
# Only the game's own sources pass through here, so the standard library's
# headers keep the compiler's own execution character set (GCC's
# -fexec-charset=CP932 applies to every header and breaks <chrono>; clang has
# no such option). Octal escapes have at most three digits, so a following
# digit is never taken into them; an escaped 0x5C trail byte can no longer end
# a literal or escape the next character, as it would in a file converted to
# code page 932 as a whole.
#
# Left alone: comments, u8/u/U/L literals, #include names, digit separators
# (1'000), and everything outside literals. A raw string R"d(...)d" cannot
# hold escapes, so it is split around each such character into R"d(...)d"
# "\ooo" R"d(...)d", which the compiler joins again. OUT starts with a #line
# directive naming IN and keeps IN's lines, so diagnostics, __FILE__ and
# __LINE__ refer to the original. A leading byte order mark is dropped, and
# line ends become LF (CMake reads text so), as the compiler reads them anyway.
#
# The conversion is the host's iconv program (glibc's and libiconv's know
# CP932), run once per file; CMake itself is the only other program needed,
# so the same step serves native, cross and Emscripten builds. A character
# that code page 932 lacks, or bytes that are not UTF-8, stop the build with
# the file and line.

cmake_minimum_required(VERSION 3.25)

# The two arguments after the script's name.
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(CMAKE_ARGV${i} STREQUAL "-P")
    math(EXPR first "${i} + 2")
    break()
  endif()
endforeach()
math(EXPR second "${first} + 1")
if(NOT second EQUAL last)
  message(FATAL_ERROR "usage: cmake [-DQX_ICONV=iconv] -P ${CMAKE_CURRENT_LIST_FILE} IN OUT")
endif()
set(in "${CMAKE_ARGV${first}}")
set(out_file "${CMAKE_ARGV${second}}")
if(NOT QX_ICONV)
  find_program(QX_ICONV iconv)
  if(NOT QX_ICONV)
    message(FATAL_ERROR "cp932_literals: no iconv program found; name one with -DQX_ICONV=PATH")
  endif()
endif()

file(READ "${in}" text)
string(ASCII 1 mark)  # brackets the place of each converted character run
string(ASCII 239 187 191 bom)
string(FIND "${text}" "${bom}" at)
if(at EQUAL 0)
  string(SUBSTRING "${text}" 3 -1 text)
endif()

string(REPLACE "\\" "\\\\" line_name "${in}")
string(REPLACE "\"" "\\\"" line_name "${line_name}")
set(out "#line 1 \"${line_name}\"\n")

# Nothing to do for a file of plain ASCII without \u or \U.
string(FIND "${text}" "\\u" ucn_lower)
string(FIND "${text}" "\\U" ucn_upper)
if(NOT text MATCHES "[^\t\n\r -~]" AND ucn_lower EQUAL -1 AND ucn_upper EQUAL -1)
  file(WRITE "${out_file}" "${out}${text}")
  return()
endif()
string(FIND "${text}" "${mark}" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "${in}: contains the control character U+0001, which this step reserves")
endif()

# State shared by the helpers below: the unread text (rest), what is written
# so far (out), and the character runs to convert: their UTF-8 bytes joined
# by newlines (runs), how many (run_count), and where each starts in text
# (run_offsets, for messages).
set(runs "")
set(run_count 0)
set(run_offsets "")
string(LENGTH "${text}" text_length)

macro(take n)  # moves n characters of rest to out
  string(SUBSTRING "${rest}" 0 ${n} _taken)
  string(APPEND out "${_taken}")
  string(SUBSTRING "${rest}" ${n} -1 rest)
endmacro()

macro(skip n)  # drops n characters of rest
  string(SUBSTRING "${rest}" ${n} -1 rest)
endmacro()

# A run of UTF-8 text to convert: out gets its mark, runs its bytes.
macro(add_run utf8 offset)
  string(APPEND out "${mark}${run_count}${mark}")
  if(run_count GREATER 0)
    string(APPEND runs "\n")
  endif()
  string(APPEND runs "${utf8}")
  list(APPEND run_offsets ${offset})
  math(EXPR run_count "${run_count} + 1")
endmacro()

macro(current_offset var)
  string(LENGTH "${rest}" _left)
  math(EXPR ${var} "${text_length} - ${_left}")
endmacro()

function(line_of offset var)
  string(SUBSTRING "${text}" 0 ${offset} before)
  string(REGEX MATCHALL "\n" newlines "${before}")
  list(LENGTH newlines n)
  math(EXPR n "${n} + 1")
  set(${var} ${n} PARENT_SCOPE)
endfunction()

function(fail_at offset what)
  line_of(${offset} line)
  message(FATAL_ERROR "${in}:${line}: ${what}")
endfunction()

function(octal value var)  # a byte as a three-digit octal escape
  math(EXPR d1 "${value} / 64")
  math(EXPR d2 "(${value} / 8) % 8")
  math(EXPR d3 "${value} % 8")
  set(${var} "\\${d1}${d2}${d3}" PARENT_SCOPE)
endfunction()

# The UTF-8 bytes of code point cp (which is at least 0x80).
function(utf8_of cp var)
  if(cp LESS 2048)
    math(EXPR b1 "192 + ${cp} / 64")
    math(EXPR b2 "128 + ${cp} % 64")
    string(ASCII ${b1} ${b2} bytes)
  elseif(cp LESS 65536)
    math(EXPR b1 "224 + ${cp} / 4096")
    math(EXPR b2 "128 + (${cp} / 64) % 64")
    math(EXPR b3 "128 + ${cp} % 64")
    string(ASCII ${b1} ${b2} ${b3} bytes)
  else()
    math(EXPR b1 "240 + ${cp} / 262144")
    math(EXPR b2 "128 + (${cp} / 4096) % 64")
    math(EXPR b3 "128 + (${cp} / 64) % 64")
    math(EXPR b4 "128 + ${cp} % 64")
    string(ASCII ${b1} ${b2} ${b3} ${b4} bytes)
  endif()
  set(${var} "${bytes}" PARENT_SCOPE)
endfunction()

# Copies the literal that starts rest (at its quote q) to out, converting its
# characters when convert is true (an ordinary literal) and copying it as it
# is otherwise (u8, u, U and L literals). An unterminated literal ends at the
# line's end, as the compiler will say.
macro(literal q convert)
  if("${q}" STREQUAL "\"")
    set(_plain "^[]\t !#-[^-~]+")
  else()
    set(_plain "^[]\t -&(-[^-~]+")
  endif()
  take(1)
  while(NOT rest STREQUAL "")
    if(rest MATCHES "${_plain}")
      string(LENGTH "${CMAKE_MATCH_0}" _n)
      take(${_n})
      continue()
    endif()
    string(SUBSTRING "${rest}" 0 1 _c)
    if(_c STREQUAL "${q}")
      take(1)
      break()
    elseif(_c STREQUAL "\n")
      break()
    elseif(_c STREQUAL "\\")
      if(rest MATCHES "^\\\\(u[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]|U[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f])")
        string(LENGTH "${CMAKE_MATCH_0}" _n)
        if(NOT ${convert})
          take(${_n})
          continue()
        endif()
        current_offset(_at)
        string(SUBSTRING "${CMAKE_MATCH_1}" 1 -1 _hex)
        math(EXPR _cp "0x${_hex}")
        if((_cp GREATER_EQUAL 55296 AND _cp LESS_EQUAL 57343) OR _cp GREATER 1114111)
          fail_at(${_at} "\\${CMAKE_MATCH_1} names no character")
        endif()
        skip(${_n})
        if(_cp LESS 128)
          octal(${_cp} _esc)
          string(APPEND out "${_esc}")
        else()
          utf8_of(${_cp} _bytes)
          add_run("${_bytes}" ${_at})
        endif()
      elseif(rest MATCHES "^\\\\[^\t\n\r -~]")
        if(${convert})
          current_offset(_at)
          fail_at(${_at} "a backslash before a non-ASCII character in a literal")
        endif()
        take(1)
      elseif(rest MATCHES "^\\\\\r\n")
        take(3)
      else()
        take(2)
      endif()
    else()
      string(REGEX MATCH "^[^\t\n -~]+" _run "${rest}")
      string(LENGTH "${_run}" _n)
      if(${convert})
        current_offset(_at)
        add_run("${_run}" ${_at})
        skip(${_n})
      else()
        take(${_n})
      endif()
    endif()
  endwhile()
endmacro()

# Copies the raw string that starts rest (at its quote; the prefix is already
# in out), splitting it around the characters to convert when convert is true.
macro(raw_literal convert)
  if(NOT rest MATCHES "^\"([^ ()\\\t\n\r]*)\\(")
    take(1)  # not a raw string after all; the compiler will say
  else()
    set(_delim "${CMAKE_MATCH_1}")
    set(_close ")${CMAKE_MATCH_1}\"")
    string(LENGTH "${CMAKE_MATCH_0}" _n)
    take(${_n})
    string(FIND "${rest}" "${_close}" _end)
    if(_end EQUAL -1)  # unterminated: the compiler will say
      string(APPEND out "${rest}")
      set(rest "")
    else()
      string(SUBSTRING "${rest}" 0 ${_end} _content)
      if(NOT ${convert} OR NOT _content MATCHES "[^\t\n\r -~]")
        take(${_end})
      else()
        while(NOT _content STREQUAL "")
          if(_content MATCHES "^[\t\n\r -~]+")
            string(LENGTH "${CMAKE_MATCH_0}" _n)
            take(${_n})
          else()
            string(REGEX MATCH "^[^\t\n\r -~]+" _run "${_content}")
            string(LENGTH "${_run}" _n)
            current_offset(_at)
            string(APPEND out "${_close} \"")
            add_run("${_run}" ${_at})
            string(APPEND out "\" R\"${_delim}(")
            skip(${_n})
          endif()
          string(SUBSTRING "${_content}" ${_n} -1 _content)
        endwhile()
      endif()
      string(LENGTH "${_close}" _n)
      take(${_n})
    endif()
  endif()
endmacro()

set(rest "${text}")
set(before "")  # the code just before rest, for literal prefixes and numbers
while(NOT rest STREQUAL "")
  if(rest MATCHES "^[^\"'/#]+")
    set(before "${CMAKE_MATCH_0}")
    string(LENGTH "${before}" n)
    take(${n})
    if(rest STREQUAL "")
      break()
    endif()
  else()
    set(before "")
  endif()
  string(LENGTH "${before}" n)
  if(n GREATER 64)
    math(EXPR n "${n} - 64")
    string(SUBSTRING "${before}" ${n} -1 before)
  endif()
  set(word "")
  if(before MATCHES "[A-Za-z0-9_]+$")
    set(word "${CMAKE_MATCH_0}")
  endif()

  string(SUBSTRING "${rest}" 0 1 c)
  if(c STREQUAL "\"")
    if(word STREQUAL "R")
      raw_literal(TRUE)
    elseif(word MATCHES "^(u8|u|U|L)R$")
      raw_literal(FALSE)
    elseif(word MATCHES "^(u8|u|U|L)$")
      literal("\"" FALSE)
    else()
      literal("\"" TRUE)
    endif()
  elseif(c STREQUAL "'")
    if(before MATCHES "(^|[^A-Za-z0-9_.])\\.?[0-9][0-9A-Za-z_.]*$")
      take(1)  # a digit separator
    elseif(word MATCHES "^(u8|u|U|L)$")
      literal("'" FALSE)
    else()
      literal("'" TRUE)
    endif()
  elseif(c STREQUAL "/")
    if(rest MATCHES "^/\\*")
      string(SUBSTRING "${rest}" 2 -1 tail)
      string(FIND "${tail}" "*/" end)
      if(end EQUAL -1)
        string(APPEND out "${rest}")
        set(rest "")
      else()
        math(EXPR n "${end} + 4")
        take(${n})
      endif()
    elseif(rest MATCHES "^//")
      # To the end of the line, and on past lines that end in a backslash.
      while(TRUE)
        string(FIND "${rest}" "\n" end)
        if(end EQUAL -1)
          string(APPEND out "${rest}")
          set(rest "")
          break()
        endif()
        string(SUBSTRING "${rest}" 0 ${end} line)
        math(EXPR n "${end} + 1")
        take(${n})
        if(NOT line MATCHES "\\\\\r?$")
          break()
        endif()
      endwhile()
    else()
      take(1)
    endif()
  else()  # #
    if(rest MATCHES "^#[ \t]*(include|include_next|import)[ \t]*(\"[^\"\n]*\"|<[^>\n]*>)")
      string(LENGTH "${CMAKE_MATCH_0}" n)
      take(${n})
    else()
      take(1)
    endif()
  endif()
endwhile()

# Convert every run at once, then put each run's escapes in place of its mark.
if(run_count GREATER 0)
  set(scratch "${out_file}.cp932")
  file(WRITE "${scratch}.in" "${runs}")
  execute_process(COMMAND "${QX_ICONV}" -f UTF-8 -t CP932 "${scratch}.in"
                  OUTPUT_FILE "${scratch}.out" ERROR_QUIET RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    # Find the run that failed, for a message that names its line.
    math(EXPR last "${run_count} - 1")
    string(REPLACE "\n" ";" run_list "${runs}")  # runs hold no ASCII, so no ';'

    foreach(i RANGE ${last})
      list(GET run_list ${i} one)
      file(WRITE "${scratch}.in" "${one}")
      execute_process(COMMAND "${QX_ICONV}" -f UTF-8 -t CP932 "${scratch}.in"
                      OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0)
        list(GET run_offsets ${i} at)
        file(REMOVE "${scratch}.in" "${scratch}.out")
        fail_at(${at} "\"${one}\" in a literal is not UTF-8 text that code page 932 can hold")
      endif()
    endforeach()
    message(FATAL_ERROR "${in}: ${QX_ICONV} could not convert the literals to code page 932")
  endif()
  file(READ "${scratch}.out" hex HEX)
  file(REMOVE "${scratch}.in" "${scratch}.out")
  string(REGEX MATCHALL ".." bytes "${hex}")
  set(i 0)
  set(escapes "")
  foreach(byte IN LISTS bytes ITEMS 0a)
    if(byte STREQUAL "0a")
      string(REPLACE "${mark}${i}${mark}" "${escapes}" out "${out}")
      math(EXPR i "${i} + 1")
      set(escapes "")
    else()
      math(EXPR value "0x${byte}")
      octal(${value} esc)
      string(APPEND escapes "${esc}")
    endif()
  endforeach()
  if(NOT i EQUAL run_count)
    message(FATAL_ERROR "${in}: ${QX_ICONV} gave ${i} converted runs for ${run_count}")
  endif()
endif()

file(WRITE "${out_file}" "${out}")
