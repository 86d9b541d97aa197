#include "error_text.h"

std::string errorBoxText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}
