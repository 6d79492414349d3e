#pragma once

#include <cctype>
#include <string>

// GoogleTest accepts only letters, digits and "_" in a parameterised test's name: file names
// and labels become names with every other character made "_".
inline std::string TestNameFromText(std::string text) {
    for (char& ch : text)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return text;
}
