#pragma once

#include <stdexcept>
#include <string>

// Every failure inside readers, decoders and the colour manager is one of these, carrying a
// single message text; the viewer catches them in one place and shows the error picture.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// The platform's invalid-picture exception: every reader's refusal.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// Raised by the decoders of src/codecs.
class EGraphicCompression : public Exception {
public:
    using Exception::Exception;
};

// Raised by the colour manager.
class EColorConversionError : public Exception {
public:
    using Exception::Exception;
};

// A stream could not deliver (or take) the bytes asked for.
class EReadError : public Exception {
public:
    using Exception::Exception;
};

class EWriteError : public Exception {
public:
    using Exception::Exception;
};

// A file could not be opened or created.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

// The platform's silent abort: a progress listener raises it to stop a load, which then
// ends quietly with what was decoded so far.
class EAbort : public Exception {
public:
    using Exception::Exception;
};

// A text that should be a number is not one.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};
