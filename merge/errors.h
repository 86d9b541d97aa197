#pragma once
// The failures that commands report to the user. Each carries the fixed,
// user-facing message; the shell shows it in the application's error box.
#include <stdexcept>
#include <string>

namespace velmor {

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A source cannot be opened (or is not a regular file).
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

// A source holds bytes after a NUL that are not padding (UTF-16, binary).
class ENotTextFile : public Exception {
public:
    using Exception::Exception;
};

// The target file cannot be created.
class EFCreateError : public Exception {
public:
    using Exception::Exception;
};

// The merged text is full, or writing the target broke off.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// Memory ran out while a source was read or converted.
class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("Out of memory") {}
};

// The silent error: the error box drops it without a message.
class EAbort : public Exception {
public:
    EAbort() : Exception("") {}
};

namespace messages {
inline constexpr const char* cannotOpen = "Cannot open file %s";
inline constexpr const char* notText = "File %s is not an 8-bit text file";
inline constexpr const char* cannotCreate = "Cannot create file %s";
inline constexpr const char* saveFailed = "Failed to Save Stream";
inline constexpr const char* textFull = "RichEdit line insertion error";
inline constexpr const char* importDone = "Import successful";
}  // namespace messages

// Puts `path` in place of the one "%s" of a fixed message. The path is data,
// never a format: "%s", "%1" or "%n" inside it stay as they are.
std::string withPath(const std::string& fixedText, const std::string& path);

}  // namespace velmor
