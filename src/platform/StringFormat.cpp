#include "platform/StringFormat.h"

#include "platform/Exceptions.h"

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

int32_t StrToInt(std::string_view text) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        i = 1;
    int64_t value = 0;
    bool valid = i < text.size();
    for (; i < text.size() && valid; ++i) {
        valid = text[i] >= '0' && text[i] <= '9';
        value = value * 10 + (text[i] - '0');
        valid = valid && value <= int64_t(INT32_MAX) + 1;
    }
    if (valid && !negative && value > INT32_MAX)
        valid = false;
    if (!valid)
        throw EConvertError(Format("'%s' is not a valid integer value", text));
    return int32_t(negative ? -value : value);
}
