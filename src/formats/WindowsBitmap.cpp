#include "platform/Bitmap.h"
#include "platform/Exceptions.h"

// Replaced by the Windows bitmap file reader.
void TBitmap::LoadFromStream(TStream&) {
    throw EInvalidGraphic("Windows bitmap files are not read yet");
}
