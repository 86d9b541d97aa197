#pragma once
#include <string>

// The text the error box shows for an error's message: a full stop is added
// when the text is not empty and its last byte sorts above '.', so a text
// ending in a letter, digit or '?' gains one and a text ending in '.', a
// blank, ')' or a quote does not. Bytes compare unsigned, so a text ending
// in a non-ASCII byte gains one too.
std::string errorBoxText(const std::string& message);
