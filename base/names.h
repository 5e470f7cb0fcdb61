#pragma once
// Fixed names shared by the program's parts and by Unquill.
#include <windows.h>

constexpr const char* kUninstallMutexName = "LarkspurQuilletUninstallMutex";
constexpr const char* kFrameClassName = "QuilletWndClass";
constexpr const char* kClientClassName = "QuilletClientWndClass";
constexpr const char* kAppCaption = "Quillet";
constexpr const char* kHelpFileName = "QLHelp.hlp";
constexpr const char* kDefaultNoteFileName = "Quillet.qld";
constexpr int kPathBufferSize = MAX_PATH + 1;  // 261: path limit plus terminator
