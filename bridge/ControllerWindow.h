// The controller's main window as the client bridges find it: a hidden dialog window of class
// "#32770" titled "KorSentrixSuiteMain". Shared by the bridge library and the output-change tool.
// Portable.
#pragma once

inline constexpr const wchar_t* kControllerWindowClass = L"#32770";
inline constexpr const wchar_t* kControllerWindowTitle = L"KorSentrixSuiteMain";
