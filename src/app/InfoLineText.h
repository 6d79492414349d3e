#pragma once

#include <cstdint>
#include <string>

// What the info line tells of the picture on screen.
struct TInfoLineFacts {
    std::string FileName;  // empty when the picture has no file
    int32_t Position = -1; // in the file list, from 0; negative when not listed
    int32_t Count = 0;     // pictures in the list
    int32_t Width = 0;     // the picture as shown, in its own pixels
    int32_t Height = 0;
    int32_t ShownWidth = 0; // its size on the screen
    int32_t ShownHeight = 0;
};

// "name.jpg   12/240   1920 x 1080   50%": what is unknown is left out.
std::string InfoLineText(const TInfoLineFacts& facts);
