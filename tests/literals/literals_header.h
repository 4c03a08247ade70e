// A header that literals_test includes with quotes and does not list among
// its sources: its literals are converted too.
#pragma once

inline const char* header_text() { return "ヘッダ表"; }
