#include "platform/StringFormat.h"

std::string FormatText(std::string_view format, const std::vector<std::string>& args) {
    std::string result;
    result.reserve(format.size() + 32);
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            result += c;
            continue;
        }
        const char directive = format[i + 1];
        if (directive == '%') {
            result += '%';
            ++i;
        } else if ((directive == 's' || directive == 'd') && next < args.size()) {
            result += args[next++];
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}
