// Found by __has_include("漢字.h") in literals_test.cpp.
