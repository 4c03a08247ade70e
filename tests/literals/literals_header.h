// A header among literals_test's sources: its literals are converted too, and
// the test finds this copy through its quoted include.
#pragma once

inline const char* header_text() { return "ヘッダ表"; }
