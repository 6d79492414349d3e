// Built against one layer with a header it must not see (a layer above it, or Qt below the
// display): the build has to refuse it. PELORAMA_PROBE_HEADER names the header.
#include PELORAMA_PROBE_HEADER
