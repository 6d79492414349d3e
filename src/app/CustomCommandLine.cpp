#include "app/CustomCommandLine.h"

#include "app/CommandLineWords.h"
#include "app/TextReplace.h"

std::vector<std::string> ExpandCustomCommand(const std::string& commandTemplate,
                                             const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string directory = path.substr(0, nameStart);
    const std::string name = path.substr(nameStart);
    const size_t dot = name.find_last_of('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);

    std::vector<std::string> words = SplitCommandLine(commandTemplate);
    for (std::string& word : words) {
        word = ReplaceAll(word, "%n", path);
        word = ReplaceAll(word, "%p", directory);
        word = ReplaceAll(word, "%f", name);
        word = ReplaceAll(word, "%e", extension);
    }
    return words;
}
