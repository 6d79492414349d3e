#pragma once

#include <functional>
#include <optional>
#include <string>

// The variables that decide where the viewer's window would go.
struct TDisplayEnvironment {
    std::string Platform;       // QT_QPA_PLATFORM, empty when unset
    std::string Display;        // DISPLAY
    std::string WaylandDisplay; // WAYLAND_DISPLAY
};

// Why the X display the viewer is about to use cannot be had, in one line, or nothing when
// it can (or when another platform was chosen: that is the user's business). Qt itself
// would abort with a core dump instead.
std::optional<std::string>
DisplayProblem(const TDisplayEnvironment& environment,
               const std::function<bool(const std::string& display)>& canConnect);

// The process environment, and whether an X server answers on the display.
TDisplayEnvironment CurrentDisplayEnvironment();
bool CanConnectToX(const std::string& display);
