#pragma once

#include <functional>
#include <string>

// Warnings the core shows the user while it keeps working (a modal notice in the viewer).
// The application installs its message box here; without one they go to standard error.
using TWarningHandler = std::function<void(const std::string& caption, const std::string& text)>;

// An empty handler restores the standard-error default.
void SetWarningHandler(TWarningHandler handler);
void ShowWarningMessage(const std::string& caption, const std::string& text);
