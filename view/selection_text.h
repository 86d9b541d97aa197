#pragma once
// The text of a selection, for the clipboard: exactly the stored bytes, CR LF
// line breaks included, decoded chunk by chunk the way the view shows them.
#include <QString>

#include <string>

#include "merged_text_source.h"
#include "text_position.h"

namespace velmor {

// The stored bytes of [from, to); `from` must not lie after `to`.
std::string selectedBytes(const MergedTextSource& source, TextPosition from, TextPosition to);

// [from, to) decoded for the clipboard. A chunk shown as UTF-8 is copied as
// UTF-8 even when only part of it is selected, and likewise for Latin-1.
QString selectedText(const MergedTextSource& source, TextPosition from, TextPosition to);

}  // namespace velmor
