#include "platform/WarningMessage.h"

#include <cstdio>

namespace {
TWarningHandler& Handler() {
    static TWarningHandler handler;
    return handler;
}
} // namespace

void SetWarningHandler(TWarningHandler handler) {
    Handler() = std::move(handler);
}

void ShowWarningMessage(const std::string& caption, const std::string& text) {
    if (Handler())
        Handler()(caption, text);
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}
