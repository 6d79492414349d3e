#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// printf-like substitution for the message texts: each "%s" or "%d" takes the next
// argument in order, "%%" is a percent sign, anything else is copied as it stands.
// Missing arguments leave their directive in the text rather than reading past the list.
std::string FormatText(std::string_view format, const std::vector<std::string>& args);

inline std::string FormatArgument(std::string_view value) {
    return std::string(value);
}
inline std::string FormatArgument(const char* value) {
    return value;
}
inline std::string FormatArgument(const std::string& value) {
    return value;
}
template <std::integral T>
std::string FormatArgument(T value) {
    return std::to_string(value);
}

template <typename... Args>
std::string Format(std::string_view format, const Args&... args) {
    const std::vector<std::string> texts{FormatArgument(args)...};
    return FormatText(format, texts);
}

// The platform's string-to-integer conversion: optional sign and decimal digits only;
// anything else (or an empty text, or a value beyond 32 bits) raises EConvertError with
// "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view text);
