#pragma once
#include <functional>
#include <string>

#include "platform/Types.h"

// Buttons, icons and answers of the platform's message box.
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_OKCANCEL = 0x01;
constexpr UINT MB_YESNOCANCEL = 0x03;
constexpr UINT MB_YESNO = 0x04;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON2 = 0x100;  // the second button answers Enter

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The application's message box: the application name as caption. Safe from
// any thread: a worker waits until the user has answered.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);
int MessageBoxWithCaption(const std::string& text, const std::string& caption, UINT type);
// The boxes asked for so far: a caller sees whether one came up while other
// code ran.
int MessageBoxCount();

// Once nobody is there to answer (the program ends on a signal), a box is
// not shown: its text goes to stderr and it answers as its close box would.
void SetNobodyAnswers(bool nobody);

// Tests answer message boxes from a script instead of showing them.
using MessageBoxHandler = std::function<int(const std::string& text, const std::string& caption, UINT type)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
