// How the other programs find the controller: its main window, a hidden dialog window of class
// "#32770" titled "KorSentrixSuiteMain", and its settings, under the product key of each hive
// (the per-user copy is the one it reads).
// Portable.
#pragma once

inline constexpr const wchar_t* kControllerWindowClass = L"#32770";
inline constexpr const wchar_t* kControllerWindowTitle = L"KorSentrixSuiteMain";
inline constexpr const wchar_t* kProductKey = L"SOFTWARE\\KORVATH\\Sentrixd";
