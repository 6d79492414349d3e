#include "platform/MetadataOptions.h"

TMetadataOptions& MetadataOptions() {
    static TMetadataOptions options;
    return options;
}
