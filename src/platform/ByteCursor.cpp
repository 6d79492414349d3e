#include "platform/ByteCursor.h"

#include "platform/Exceptions.h"

void RaiseStreamReadError() {
    throw EReadError("Stream read error");
}
