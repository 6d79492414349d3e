#include "app/DisplayCheck.h"

#include <xcb/xcb.h>

#include <cstdlib>

std::optional<std::string>
DisplayProblem(const TDisplayEnvironment& environment,
               const std::function<bool(const std::string& display)>& canConnect) {
    if (!environment.Platform.empty() && environment.Platform.rfind("xcb", 0) != 0)
        return std::nullopt;
    if (environment.Display.empty()) {
        if (!environment.WaylandDisplay.empty())
            return "no X display: this Wayland session has no XWayland (DISPLAY is not set)";
        return "no X display (DISPLAY is not set); start the viewer from a desktop session";
    }
    if (!canConnect(environment.Display))
        return "cannot open the X display \"" + environment.Display + "\"";
    return std::nullopt;
}

namespace {
std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}
} // namespace

TDisplayEnvironment CurrentDisplayEnvironment() {
    return {Variable("QT_QPA_PLATFORM"), Variable("DISPLAY"), Variable("WAYLAND_DISPLAY")};
}

bool CanConnectToX(const std::string& display) {
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool connected = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return connected;
}
