#include "decrypt_app/OpenSelection.h"

namespace pelorin::decrypt {

std::string SystemFilter(std::string_view filter) {
    std::string converted(filter);
    for (char& c : converted) {
        if (c == '|') c = '\0';
    }
    return converted;
}

std::vector<std::string> SelectedPaths(std::string_view buffer) {
    std::vector<std::string> texts;
    std::size_t at = 0;
    while (at < buffer.size() && buffer[at] != '\0') {
        const std::size_t end = buffer.find('\0', at);
        const std::size_t stop = end == std::string_view::npos ? buffer.size() : end;
        texts.emplace_back(buffer.substr(at, stop - at));
        at = stop + 1;
    }
    if (texts.size() <= 1) return texts;
    std::string folder = texts.front();
    if (folder.back() != '\\') folder += '\\';
    std::vector<std::string> paths;
    for (std::size_t i = 1; i < texts.size(); ++i) paths.push_back(folder + texts[i]);
    return paths;
}

}  // namespace pelorin::decrypt
