/* The resources the dialogs port's contract loads: one dialog template, two strings, an icon and
   a bitmap. Plain preprocessor definitions, read by the Win32 test program's resource script and
   by the simulated program's resource table alike. */
#pragma once

#define CONTRACT_DIALOG 901
#define CONTRACT_DIALOG_TITLE L"Contract dialog"
#define CONTRACT_DIALOG_WIDTH 200
#define CONTRACT_DIALOG_HEIGHT 80
#define CONTRACT_CHECK 1001
#define CONTRACT_LABEL 1002
#define CONTRACT_LABEL_TEXT L"Label"
#define CONTRACT_CHECK_TEXT L"Remember"
#define CONTRACT_STRING 901
#define CONTRACT_STRING_TEXT L"Contract string"
#define CONTRACT_ICON 901
#define CONTRACT_BITMAP 901
#define CONTRACT_BITMAP_WIDTH 3
#define CONTRACT_BITMAP_HEIGHT 2
