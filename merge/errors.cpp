#include "errors.h"

namespace velmor {

std::string withPath(const std::string& fixedText, const std::string& path)
{
    const auto at = fixedText.find("%s");
    if (at == std::string::npos)
        return fixedText;
    std::string out = fixedText.substr(0, at);
    out += path;
    out += fixedText.substr(at + 2);
    return out;
}

}  // namespace velmor
