#pragma once

// Argument checks shared by the scene sources: message text and the throw.

#include <string>

// Short decimal text of v ("2.5", "-1", "nan").
std::wstring vfSceneText(double v);

// Throws vcBadParamsError with the message "where: what".
[[noreturn]] void vfSceneRefuse(const wchar_t* where, const std::wstring& what);
