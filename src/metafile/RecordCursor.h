#pragma once

#include "platform/ByteCursor.h"

#include <stdexcept>

// A field that lies outside its record: the record is malformed and skipped.
class ERecordTooShort : public std::runtime_error {
public:
    ERecordTooShort() : std::runtime_error("metafile record too short") {}
};

[[noreturn]] inline void RaiseRecordTooShort() {
    throw ERecordTooShort();
}

// Little-endian reads inside one record; every read is checked against the record's own
// size, never against the file's.
inline TByteCursor RecordCursor(const uint8_t* data, size_t size) {
    return TByteCursor(data, size, TByteOrder::boLittleEndian, RaiseRecordTooShort);
}
