# The literal step (qx-cp932) against the compiler it stands in for: each
# source is compiled by COMPILER with -fexec-charset=CP932 and through the
# step without it, and the two objects must be the same, byte for byte; each
# source the step refuses must stop with its file:line and what it cannot
# convert, leaving no object.
#     cmake -DTOOL=qx-cp932 -DCOMPILER=g++ -DWORK=scratch-dir -P step_test.cmake
# The sources include no standard header: GCC cannot compile those with
# -fexec-charset=CP932 (<chrono>), which is why the step exists.
# Ends with an error naming every case that failed.

set(failures "")
string(ASCII 239 187 191 bom)
string(ASCII 255 not_utf8)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/漢字")
# What the cases include: a file whose name is Japanese, for __has_include,
# and headers with literals, found through their quotes.
file(WRITE "${WORK}/漢.h" "")
file(WRITE "${WORK}/header.h" "extern const char from_header[] = \"ヘッダ表\";\n")
file(WRITE "${WORK}/bad_header.h" "// a header\nextern const char bad[] = \"µ\";\n")
file(WRITE "${WORK}/include/found.h" "extern const char found[] = \"見付けた\";\n")
# A response file naming an include folder, as Emscripten's CMake rules pass them.
file(WRITE "${WORK}/include.rsp" "-Iinclude\n")
# A launcher already in place (ccache, say), which must run both compilations.
file(WRITE "${WORK}/launcher.sh" "echo \"$*\" >>\"${WORK}/launched.txt\"\nexec \"$@\"\n")

set(common -O2 -Wno-multichar)

function(run_step name)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${WORK}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(rc "${rc}" PARENT_SCOPE)
  set(err "${out}${err}" PARENT_SCOPE)
endfunction()

# same(NAME SOURCE [FILE path] [FLAGS flags...] [LINK] [LAUNCHER] [DEPENDS text])
#   FILE     where the source goes (NAME.cpp), relative to WORK
#   FLAGS    instead of -std=c++20
#   LINK     compiles and links in one command, and compares the programs
#   LAUNCHER runs the step behind launcher.sh, which must run twice
#   DEPENDS  text the depfile written through the step must hold
function(same name source)
  cmake_parse_arguments(PARSE_ARGV 2 arg "LINK;LAUNCHER" "FILE;DEPENDS" "FLAGS")
  if(NOT arg_FILE)
    set(arg_FILE "${name}.cpp")
  endif()
  if(NOT arg_FLAGS)
    set(arg_FLAGS -std=c++20)
  endif()
  file(WRITE "${WORK}/${arg_FILE}" "${source}")
  set(ref "${name}.ref")
  set(got "${name}.step")
  if(arg_LINK)
    # Linker options, which the -E step must leave out; PE programs without
    # the time of linking in them, so that two links can match.
    set(mode -Wl,-O1)
    if(COMPILER MATCHES "mingw")
      list(APPEND mode -Wl,--no-insert-timestamp)
    endif()
  else()
    set(mode -c)
    string(APPEND ref ".o")
    string(APPEND got ".o")
  endif()
  set(step "${TOOL}")
  if(arg_LAUNCHER)
    file(REMOVE "${WORK}/launched.txt")
    list(APPEND step --launcher sh "${WORK}/launcher.sh" --)
  endif()
  set(deps "")
  if(arg_DEPENDS)
    set(deps -MD -MT "${got}" -MF "${name}.d")
  endif()
  run_step(${name} "${COMPILER}" -fexec-charset=CP932 ${arg_FLAGS} ${common} ${mode} "${arg_FILE}" -o "${ref}")
  if(NOT rc EQUAL 0)
    set(failures ${failures} "${name}: the reference compilation failed: ${err}" PARENT_SCOPE)
    return()
  endif()
  run_step(${name} ${step} "${COMPILER}" ${arg_FLAGS} ${common} ${deps} ${mode} "${arg_FILE}" -o "${got}")
  if(NOT rc EQUAL 0)
    set(failures ${failures} "${name}: the step failed: ${err}" PARENT_SCOPE)
    return()
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK}/${ref}" "${WORK}/${got}" RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    set(failures ${failures} "${name}: ${WORK}/${got} differs from ${WORK}/${ref}" PARENT_SCOPE)
    return()
  endif()
  if(arg_LAUNCHER)
    file(STRINGS "${WORK}/launched.txt" launched)
    list(LENGTH launched n)
    if(NOT n EQUAL 2)
      set(failures ${failures} "${name}: the launcher ran ${n} times, not 2 (-E, then the compilation): ${launched}" PARENT_SCOPE)
    endif()
  endif()
  if(arg_DEPENDS)
    file(READ "${WORK}/${name}.d" depfile)
    string(FIND "${depfile}" "${arg_DEPENDS}" at)
    string(FIND "${depfile}" "${got}:" target)
    if(at EQUAL -1 OR NOT target EQUAL 0)
      set(failures ${failures} "${name}: the depfile names no ${arg_DEPENDS} for ${got}: ${depfile}" PARENT_SCOPE)
    endif()
  endif()
endfunction()

# refused(NAME SOURCE MESSAGE [FLAGS flags...]): the step stops, saying
# MESSAGE (which starts with the file's name and the line), and leaves no
# object.
function(refused name source message)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "" "FLAGS")
  if(NOT arg_FLAGS)
    set(arg_FLAGS -std=c++20)
  endif()
  file(WRITE "${WORK}/${name}.cpp" "${source}")
  run_step(${name} "${TOOL}" "${COMPILER}" ${arg_FLAGS} ${common} -c "${name}.cpp" -o "${name}.o")
  string(FIND "${err}" "${message}" at)
  if(rc EQUAL 0 OR at EQUAL -1 OR EXISTS "${WORK}/${name}.o")
    set(failures ${failures} "${name}: expected a refusal saying '${message}' and no object; exit status ${rc}, messages: ${err}" PARENT_SCOPE)
  endif()
endfunction()

# What went wrong before: literals joined to prefixed ones, made by macros,
# or split by a backslash-newline, and header names.
same(wide_then_plain [[extern const wchar_t s[] = L"漢" "字";]])
same(plain_then_wide [[extern const wchar_t s[] = "漢" L"字";]])
same(u8_then_plain [[extern const char8_t s[] = u8"漢" "字" "表";]])
same(plain_then_u16_over_lines "extern const char16_t s[] = \"漢\"\n  \"ソ\"\n  u\"字\";\n")
same(pasted_wide "#define W(s) L ## s\nextern const wchar_t s[] = W(\"漢\");\n")
same(pasted_u8 "#define U8(s) u8 ## s\nextern const char8_t s[] = U8(\"漢\") \"字\";\n")
same(stringised_literal "#define S(x) #x\nextern const char s[] = S(\"漢\") S('字');\n")
same(stringised_word "#define S(x) #x\nextern const char s[] = S(漢字 かな);\n")
same(has_include [[
#if __has_include("漢.h")
extern const char s[] = "有る";
#else
extern const char s[] = "無い";
#endif
]])
same(prefix_then_backslash_newline "extern const char8_t s[] = u8\\\n\"漢\";\nextern const wchar_t w[] = L\\\n\"字\" \"表\";\n")
same(raw_prefix_then_backslash_newline "extern const char s[] = R\\\n\"(漢)\";\n")

# What worked before and must still.
same(plain [[
extern const char kana[] = "漢字かなｱｲｳ";
extern const char joined[] = "漢" "字" "7";
extern const char mappings[] = "？～－①ⅰ";
extern const char escapes[] = "\x41漢\101字\t\"漢\\字\"777ABCdef";
extern const char ucns[] = "\u6F22\U00005B57\u0041x";
extern const char trail_5c[] = "ソ表能" "ソ" "ソ\"";
extern const char empty[] = "";
]])
same(raw_strings [[
extern const char plain[] = R"(ソ\漢)";
extern const char delimited[] = R"x(")漢"()x";
extern const char lines[] = R"(漢
字)" "表";
extern const char ascii[] = R"(\u6F22)";
]])
same(character_literals [[
extern const int kanji = '漢', trail = 'ソ', ucn = '\u6F22', katakana = 'ｱ', ascii = 'a', quote = '\'';
extern const char s[] = "it's 漢";
extern const long separated = 1'000; extern const char after[] = "字";
]])
same(other_encodings [[
extern const wchar_t w[] = L"漢";
extern const char16_t u16[] = u"漢";
extern const char32_t u32 = U'字';
extern const char8_t u8r[] = u8R"(ソ)";
extern const wchar_t wr[] = LR"(ソ
表)";
]])
same(comments [[
// 漢字のコメント "字" it's
extern const char s[] = "漢" /* "字" 'x */ "字";
extern const char markers[] = "//漢/*";
/* 漢
   字 */
]])
same(if_0 "#if 0\nextern const char s[] = \"µ${not_utf8}\";\n'unterminated\n#endif\nextern const char t[] = \"表\";\n")
set(crlf "extern const char s[] = \"表\";\r\nextern const char r[] = R\"(漢\r\n字)\";\r\nextern const int line = __LINE__;\r\n")
same(crlf "${crlf}")
same(byte_order_mark "${bom}extern const char s[] = \"表\";\nextern const int line = __LINE__;\n")
same(file_and_line "extern const char f[] = __FILE__;\nextern const int l = __LINE__;\n" FILE "漢字/file_and_line.cpp")
same(user_defined_literal [[
struct Text { const char* s; decltype(sizeof 0) n; };
constexpr Text operator""_t(const char* s, decltype(sizeof 0) n) { return {s, n}; }
extern const Text t = "漢字"_t;
extern const Text r = R"(ソ)"_t;
]])
# As GCC: asm and GNU attributes keep their strings, [[gnu::...]] ones are
# converted, and so is a static assertion's condition; __PRETTY_FUNCTION__ is
# not converted in C++.
same(asm_and_attributes [=[
__attribute__((section(".漢"))) int a = 1;
[[gnu::section(".字")]] int b = 2;
int c asm("名前") = 3;
asm(".ascii \"表\"");
static_assert(sizeof("漢") == 3, "漢は二バイト");
extern const char* const pretty;
void 関数() {}
const char* const pretty = [] { return __PRETTY_FUNCTION__; }();
]=])
same(ident "#ident \"漢字 1.0\"\n#pragma message(\"表\")\nextern const char s[] = \"表\";\n")
same(function_name_in_ascii "extern const char* name() { return __func__; }\nextern const char s[] = \"表\";\n")
same(quoted_header "#include \"header.h\"\nextern const char s[] = \"表\";\n" DEPENDS "header.h")
same(c_source "__attribute__((section(\".漢\"))) int a = 1;\nconst char s[] = \"表\" \"ソ\";\nconst char* f(void) { return __func__; }\n_Static_assert(sizeof(\"漢\") == 3, \"漢\");\n"
     FILE c_source.c FLAGS -x c -std=gnu17)
same(response_file "#include <found.h>\n" FLAGS -std=c++20 @include.rsp)
same(behind_a_launcher [[extern const char s[] = "表";]] LAUNCHER)
same(compiled_and_linked [[
extern "C" int puts(const char*);
int main() { return puts("漢字") < 0; }
]] LINK)

# Refused, with the place and the reason.
refused(no_cp932_form "int a;\nextern const char s[] = \"5 µs\";\n"
        [[no_cp932_form.cpp:2: error: "µ" (U+00B5) in a string literal has no code page 932 form]])
refused(escape_no_cp932_form "extern const char s[] =\n  \"\\u00B5\";\n"
        [[escape_no_cp932_form.cpp:2: error: \u00B5 (U+00B5) in a string literal has no code page 932 form]])
refused(not_utf8 "int a;\n\nextern const char s[] = \"x${not_utf8}\";\n"
        [[not_utf8.cpp:3: error: bytes that are not UTF-8 (\xff...) in a string literal]])
refused(raw_not_utf8 "extern const char s[] = R\"(\n\n${not_utf8})\";\n"
        [[raw_not_utf8.cpp:3: error: bytes that are not UTF-8 (\xff...) in a raw string literal]])
refused(char_no_cp932_form "extern const int c = 'µ';\n"
        [[char_no_cp932_form.cpp:1: error: "µ" (U+00B5) in a character literal has no code page 932 form]])
refused(backslash_before_kanji "extern const char s[] = \"\\漢\";\n"
        [[backslash_before_kanji.cpp:1: error: a backslash before a non-ASCII character in a string literal]])
refused(named_escape "extern const char s[] = \"\\N{KATAKANA LETTER A}\";\n"
        [[named_escape.cpp:1: error: a named character escape (\N{...}) in a string literal]])
refused(function_name "int a;\nvoid 関数() { const char* n = __func__; (void)n; }\n"
        [[function_name.cpp:2: error: __func__ in a translation unit with non-ASCII names]])
refused(c_pretty_function "void 関数(void) { const char* n = __PRETTY_FUNCTION__; (void)n; }\n"
        [[c_pretty_function.cpp:1: error: __PRETTY_FUNCTION__ in a translation unit with non-ASCII names]]
        FLAGS -x c -std=gnu17)
refused(asm_operand "void f() { asm(\"\" : : \"r\"(\"漢\")); }\n"
        [[asm_operand.cpp:1: error: a non-ASCII literal among an asm statement's operands]])
# The preprocessor reads a character constant in #if in its own character
# set: the compiler's own message stops it.
refused(character_in_if "int a;\n#if '漢' == 0\n#endif\n" "character_in_if.cpp:2:5: error: multi-character character constant")
refused(after_raw_lines "extern const char r[] = R\"(\n\n)\";\n#define X\n\nextern const char s[] = \"µ\";\n"
        [[after_raw_lines.cpp:6: error: "µ" (U+00B5)]])
refused(in_header "int a;\n#include \"bad_header.h\"\n" [[bad_header.h:2: error: "µ" (U+00B5)]])
refused(crlf_lines "int a;\r\n\r\nextern const char s[] = \"µ\";\r\n" [[crlf_lines.cpp:3: error: "µ"]])

if(failures)
  list(JOIN failures "\n" report)
  message(FATAL_ERROR "${report}")
endif()
message(STATUS "all cases passed with ${COMPILER}")
