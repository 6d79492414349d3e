#include "app/CustomCommandLine.h"

#include "app/TextReplace.h"

std::string ExpandCustomCommand(const std::string& commandTemplate, const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string directory = path.substr(0, nameStart);
    const std::string name = path.substr(nameStart);
    const size_t dot = name.find_last_of('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);

    std::string command = ReplaceAll(commandTemplate, "%n", path);
    command = ReplaceAll(command, "%p", directory);
    command = ReplaceAll(command, "%f", name);
    return ReplaceAll(command, "%e", extension);
}
